/* CRC-32 as used by zip, PNG and Ethernet (reflected polynomial 0xEDB88320).
   The 256-entry table is computed by Vorn while this file is generated, so
   the program carries it as constant data and never builds it at run time. */
##MSTART
unsigned long crc_entry(unsigned long n)
{
    for (int bit = 0; bit < 8; bit++)
        n = (n & 1) ? (n >> 1) ^ 0xEDB88320UL : n >> 1;
    return n;
}
##MEND
#include <stddef.h>

static const unsigned long crc_table[256] = {
##for (int n = 0; n < 256; n += 4) {
    ##.fprintf(stdcom, "0x%08lx, 0x%08lx, 0x%08lx, 0x%08lx,", crc_entry(n), crc_entry(n + 1), crc_entry(n + 2), crc_entry(n + 3));##
##}
};

unsigned long crc32(const unsigned char *data, size_t length)
{
    unsigned long crc = 0xFFFFFFFFUL;
    while (length--)
        crc = crc_table[(crc ^ *data++) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFUL;
}
