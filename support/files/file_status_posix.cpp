// File status on POSIX systems.
