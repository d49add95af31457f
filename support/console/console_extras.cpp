// Console extras of the Windows deliverable.
