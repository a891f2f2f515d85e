/* The least any converter must do: read the font file, write it as hex
   with a line break every 40 bytes. The comparison script's lower bound. */
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: lower_bound FONT OUT\n");
        return 2;
    }
    FILE* in = fopen(argv[1], "rb");
    if (!in)
        return 1;
    fseek(in, 0, SEEK_END);
    long size = ftell(in);
    fseek(in, 0, SEEK_SET);
    unsigned char* bytes = malloc((size_t)size);
    char* hex = malloc((size_t)size * 2 + (size_t)size / 40 + 2);
    if (!bytes || !hex || fread(bytes, 1, (size_t)size, in) != (size_t)size)
        return 1;
    fclose(in);
    static const char digits[] = "0123456789ABCDEF";
    char* out = hex;
    for (long i = 0; i < size; ++i) {
        *out++ = digits[bytes[i] >> 4];
        *out++ = digits[bytes[i] & 15];
        if (i % 40 == 39)
            *out++ = '\n';
    }
    *out++ = '\n';
    FILE* file = fopen(argv[2], "wb");
    if (!file || fwrite(hex, 1, (size_t)(out - hex), file) != (size_t)(out - hex) || fclose(file) != 0)
        return 1;
    free(bytes);
    free(hex);
    return 0;
}
