// The Linux deliverable adopts the user's locale.
