// Parser extras of the Windows deliverable.
