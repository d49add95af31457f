// The Windows deliverable keeps the classic locale.
