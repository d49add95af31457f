// sfv_check
