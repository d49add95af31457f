// srr_check
