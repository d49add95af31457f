// Byte-cursor readers of the Windows deliverable.
