// File extras of the Windows deliverable.
