// Text extras of the Windows deliverable.
