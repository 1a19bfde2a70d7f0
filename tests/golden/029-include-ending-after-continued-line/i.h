p \
q