/* The least any converter must do: map the font file, write it as hex
   through a table of the 256 byte values' digit pairs, with a line break
   every 40 bytes, to standard output. The comparison script's lower bound. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: lower_bound FONT > OUT\n");
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    struct stat status;
    if (in < 0 || fstat(in, &status) != 0 || status.st_size == 0)
        return 1;
    size_t size = (size_t)status.st_size;
    const unsigned char* bytes = mmap(NULL, size, PROT_READ, MAP_PRIVATE, in, 0);
    char* hex = malloc(size * 2 + size / 40 + 2);
    if (bytes == MAP_FAILED || !hex)
        return 1;
    static char pairs[512];
    for (int byte = 0; byte < 256; ++byte) {
        pairs[2 * byte] = "0123456789ABCDEF"[byte >> 4];
        pairs[2 * byte + 1] = "0123456789ABCDEF"[byte & 15];
    }
    char* out = hex;
    for (size_t i = 0; i < size; ++i) {
        memcpy(out, pairs + 2 * bytes[i], 2);
        out += 2;
        if (i % 40 == 39)
            *out++ = '\n';
    }
    *out++ = '\n';
    for (const char* at = hex; at < out;) {
        ssize_t written = write(1, at, (size_t)(out - at));
        if (written <= 0)
            return 1;
        at += written;
    }
    munmap((void*)bytes, size);
    free(hex);
    close(in);
    return 0;
}
