// The one-byte CRC-32 step of the Windows deliverable.
