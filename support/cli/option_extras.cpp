// Option extras of the Windows deliverable.
