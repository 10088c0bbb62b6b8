/* The zlib reference of bench/peers.sh: the least work any reader of a
 * deflated ZIP member has to do, with zlib alone.
 *
 *   zlib_reference inflate FILE      raw inflate of the first member's data
 *   zlib_reference inflate-crc FILE  the same, and zlib's crc32 over each output piece
 *   zlib_reference inflate-back FILE raw inflate through zlib's call-back interface
 *                                    (inflateBack: decodes straight into its window)
 *   zlib_reference read FILE         reads the whole file once
 *
 * The member's data start behind the local header at offset 0; its compressed
 * size is taken from that header. Output is discarded; the byte count and the
 * check value go to stdout so that a run can be checked against the inspector. */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

enum { kInputSize = 1 << 20, kOutputSize = 256 << 10 };

static unsigned Le16(const unsigned char* p) { return (unsigned)p[0] | (unsigned)p[1] << 8; }
static uint32_t Le32(const unsigned char* p) { return (uint32_t)Le16(p) | (uint32_t)Le16(p + 2) << 16; }

static int ReadOnce(FILE* f) {
    static unsigned char buffer[kInputSize];
    long long total = 0;
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) total += (long long)n;
    printf("%lld\n", total);
    return 0;
}

static int Inflate(FILE* f, int withCrc) {
    static unsigned char in[kInputSize];
    static unsigned char out[kOutputSize];
    unsigned char header[30];
    if (fread(header, 1, sizeof header, f) != sizeof header || Le32(header) != 0x04034B50u) return 2;
    long long left = Le32(header + 18);
    if (fseek(f, (long)(Le16(header + 26) + Le16(header + 28)), SEEK_CUR) != 0) return 2;
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateInit2(&z, -15) != Z_OK) return 2;
    uLong crc = crc32(0L, Z_NULL, 0);
    int result = Z_OK;
    while (left > 0 && result != Z_STREAM_END) {
        const size_t want = left < (long long)sizeof in ? (size_t)left : sizeof in;
        const size_t n = fread(in, 1, want, f);
        if (n == 0) break;
        left -= (long long)n;
        z.next_in = in;
        z.avail_in = (uInt)n;
        do {
            z.next_out = out;
            z.avail_out = sizeof out;
            result = inflate(&z, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END) break;
            if (withCrc) crc = crc32(crc, out, (uInt)(sizeof out - z.avail_out));
        } while (z.avail_out == 0 && result != Z_STREAM_END);
        if (result != Z_OK && result != Z_STREAM_END) break;
    }
    printf("%lu %08lx\n", (unsigned long)z.total_out, withCrc ? crc : 0ul);
    inflateEnd(&z);
    return result == Z_STREAM_END ? 0 : 1;
}

/* inflateBack's input: the member's compressed bytes in pieces of kInputSize. */
struct BackInput {
    FILE* file;
    long long left;
    unsigned char* buffer;
};

static unsigned BackIn(void* descriptor, z_const unsigned char** next) {
    struct BackInput* input = descriptor;
    const size_t want = input->left < (long long)kInputSize ? (size_t)input->left : (size_t)kInputSize;
    const size_t n = want == 0 ? 0 : fread(input->buffer, 1, want, input->file);
    input->left -= (long long)n;
    *next = input->buffer;
    return (unsigned)n;
}

static int BackOut(void* descriptor, unsigned char* data, unsigned length) {
    (void)data;
    *(long long*)descriptor += length;
    return 0;
}

static int InflateBack(FILE* f) {
    static unsigned char in[kInputSize];
    static unsigned char window[32768];
    unsigned char header[30];
    if (fread(header, 1, sizeof header, f) != sizeof header || Le32(header) != 0x04034B50u) return 2;
    struct BackInput input = {f, Le32(header + 18), in};
    if (fseek(f, (long)(Le16(header + 26) + Le16(header + 28)), SEEK_CUR) != 0) return 2;
    z_stream z;
    memset(&z, 0, sizeof z);
    if (inflateBackInit(&z, 15, window) != Z_OK) return 2;
    long long total = 0;
    const int result = inflateBack(&z, BackIn, &input, BackOut, &total);
    printf("%lld 00000000\n", total);
    inflateBackEnd(&z);
    return result == Z_STREAM_END ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: zlib_reference inflate|inflate-crc|inflate-back|read FILE\n");
        return 2;
    }
    FILE* f = fopen(argv[2], "rb");
    if (!f) {
        perror(argv[2]);
        return 2;
    }
    int status = 2;
    if (strcmp(argv[1], "read") == 0) status = ReadOnce(f);
    if (strcmp(argv[1], "inflate") == 0) status = Inflate(f, 0);
    if (strcmp(argv[1], "inflate-crc") == 0) status = Inflate(f, 1);
    if (strcmp(argv[1], "inflate-back") == 0) status = InflateBack(f);
    fclose(f);
    return status;
}
