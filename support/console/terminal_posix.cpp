// Terminal queries on POSIX systems.
