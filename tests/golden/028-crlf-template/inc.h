from include
no newline