// Help, usage and Try output.
