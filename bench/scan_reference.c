// SPDX-License-Identifier: MIT
/* The reference folder scan: opendir/readdir in plain C, the same choice of entries (plain files by the
 * entry's type, a stat only for links and unknown types, no hidden names) and the same name test
 * (".GIF", ".BMP", ".JPG" or "JPEG" at the end in any case, never "temp.bmp"), keeping a copy of each
 * name found. Usage: scan_reference FOLDER. Prints: milliseconds (the median of five scans after one untimed),
 * pictures found. */
#define _GNU_SOURCE
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>
#include <sys/stat.h>
#include <time.h>

struct names {
    char** items;
    size_t count;
    size_t capacity;
};

static double now_ms(void) {
    struct timespec moment;
    clock_gettime(CLOCK_MONOTONIC, &moment);
    return (double)moment.tv_sec * 1000.0 + (double)moment.tv_nsec / 1e6;
}

static int is_picture_name(const char* name) {
    const size_t length = strlen(name);
    if (strcasecmp(name, "temp.bmp") == 0 || length < 4)
        return 0;
    const char* ending = name + length - 4;
    return strcasecmp(ending, ".gif") == 0 || strcasecmp(ending, ".bmp") == 0 || strcasecmp(ending, ".jpg") == 0 ||
           strcasecmp(ending, "jpeg") == 0;
}

static int is_plain_file(DIR* dir, const struct dirent* entry) {
    if (entry->d_type == DT_REG)
        return 1;
    if (entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN)
        return 0;
    struct stat info;
    return fstatat(dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISREG(info.st_mode);
}

static void keep(struct names* list, const char* name) {
    if (list->count == list->capacity) {
        list->capacity = list->capacity ? list->capacity * 2 : 64;
        list->items = realloc(list->items, list->capacity * sizeof *list->items);
        if (!list->items)
            abort();
    }
    list->items[list->count++] = strdup(name);
}

static void forget(struct names* list) {
    for (size_t i = 0; i < list->count; ++i)
        free(list->items[i]);
    list->count = 0;
}

static int scan(const char* folder, struct names* list) {
    forget(list);
    DIR* dir = opendir(folder);
    if (!dir)
        return -1;
    const struct dirent* entry;
    while ((entry = readdir(dir)) != NULL) {
        if (entry->d_name[0] != '.' && is_plain_file(dir, entry) && is_picture_name(entry->d_name))
            keep(list, entry->d_name);
    }
    closedir(dir);
    return 0;
}

static int compare_doubles(const void* a, const void* b) {
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: scan_reference FOLDER\n");
        return 2;
    }
    struct names list = {NULL, 0, 0};
    if (scan(argv[1], &list) != 0) {
        perror(argv[1]);
        return 1;
    }
    double times[5];
    for (int i = 0; i < 5; ++i) {
        const double started = now_ms();
        scan(argv[1], &list);
        times[i] = now_ms() - started;
    }
    qsort(times, 5, sizeof times[0], compare_doubles);
    const double elapsed = times[2];
    printf("%.3f %zu\n", elapsed, list.count);
    forget(&list);
    free(list.items);
    return 0;
}
