/* The bare reader of bench/peers.sh: the least any ZIP reader can do to take
 * one member out of an archive, as a whole process.
 *
 *   bare_reader FILE NAME    writes member NAME to stdout
 *
 * One read of the file's tail (the end record and its comment), one read of
 * the whole central directory, each stored name compared with memcmp where it
 * lies (no case folding, no index, no decoding), then one read of the
 * member's local header and data and zlib into one buffer of its stated size,
 * and the bytes out. Stored and deflated members only, no zip64, no CRC test:
 * it is a floor to measure against, not a reader. */
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

enum { kEndSize = 22, kCentralSize = 46, kLocalSize = 30, kTailSize = kEndSize + 0xFFFF };

static unsigned Le16(const unsigned char* p) { return (unsigned)p[0] | (unsigned)p[1] << 8; }
static uint32_t Le32(const unsigned char* p) { return (uint32_t)Le16(p) | (uint32_t)Le16(p + 2) << 16; }

static int ReadAt(int fd, void* buffer, size_t size, off_t at) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = pread(fd, (char*)buffer + done, size - done, at + (off_t)done);
        if (n <= 0) return -1;
        done += (size_t)n;
    }
    return 0;
}

/* The central directory's offset and size from the end record found in the tail. */
static int FindDirectory(int fd, off_t fileSize, uint32_t* offset, uint32_t* size) {
    static unsigned char tail[kTailSize];
    const size_t tailSize = fileSize < kTailSize ? (size_t)fileSize : kTailSize;
    if (tailSize < kEndSize || ReadAt(fd, tail, tailSize, fileSize - (off_t)tailSize) != 0) return -1;
    for (size_t at = tailSize - kEndSize + 1; at-- > 0;) {
        if (Le32(tail + at) != 0x06054B50u) continue;
        *size = Le32(tail + at + 12);
        *offset = Le32(tail + at + 16);
        return 0;
    }
    return -1;
}

/* The central header whose stored name is `name`, or NULL. */
static const unsigned char* FindMember(const unsigned char* dir, size_t dirSize, const char* name) {
    const size_t nameLength = strlen(name);
    size_t at = 0;
    while (at + kCentralSize <= dirSize) {
        const unsigned char* header = dir + at;
        const size_t length = Le16(header + 28);
        const size_t next = at + kCentralSize + length + Le16(header + 30) + Le16(header + 32);
        if (next > dirSize) return NULL;
        if (length == nameLength && memcmp(header + kCentralSize, name, length) == 0) return header;
        at = next;
    }
    return NULL;
}

static int WriteAll(const unsigned char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(1, data, size);
        if (n <= 0) return -1;
        data += n;
        size -= (size_t)n;
    }
    return 0;
}

/* The member's data behind its local header, inflated (or taken as stored) into one buffer. */
static int Extract(int fd, const unsigned char* header) {
    const unsigned method = Le16(header + 10);
    const size_t packed = Le32(header + 20), size = Le32(header + 24);
    unsigned char local[kLocalSize];
    if (ReadAt(fd, local, sizeof local, (off_t)Le32(header + 42)) != 0) return -1;
    const off_t start = (off_t)Le32(header + 42) + kLocalSize + Le16(local + 26) + Le16(local + 28);
    unsigned char* in = malloc(packed + 1);
    unsigned char* out = method == 0 ? in : malloc(size + 1);
    int status = in && out && ReadAt(fd, in, packed, start) == 0 ? 0 : -1;
    if (status == 0 && method == 8) {
        z_stream z;
        memset(&z, 0, sizeof z);
        status = inflateInit2(&z, -15) == Z_OK ? 0 : -1;
        z.next_in = in;
        z.avail_in = (uInt)packed;
        z.next_out = out;
        z.avail_out = (uInt)size;
        if (status == 0 && (inflate(&z, Z_FINISH) != Z_STREAM_END || z.total_out != size)) status = -1;
        inflateEnd(&z);
    } else if (method != 0) {
        status = -1;
    }
    if (status == 0) status = WriteAll(out, size);
    if (out != in) free(out);
    free(in);
    return status;
}

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: bare_reader FILE NAME\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    struct stat info;
    uint32_t dirOffset = 0, dirSize = 0;
    if (fd < 0 || fstat(fd, &info) != 0 || FindDirectory(fd, info.st_size, &dirOffset, &dirSize) != 0) {
        fprintf(stderr, "bare_reader: %s: no end record\n", argv[1]);
        return 2;
    }
    unsigned char* dir = malloc(dirSize + 1u);
    if (dir == NULL || ReadAt(fd, dir, dirSize, (off_t)dirOffset) != 0) return 2;
    const unsigned char* header = FindMember(dir, dirSize, argv[2]);
    const int status = header == NULL ? 1 : Extract(fd, header) == 0 ? 0 : 2;
    if (status != 0) fprintf(stderr, "bare_reader: %s: %s\n", argv[2], status == 1 ? "not found" : "failed");
    free(dir);
    close(fd);
    return status;
}
