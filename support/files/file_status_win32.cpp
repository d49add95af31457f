// File status on Windows.
