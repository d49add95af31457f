// crc_cache
