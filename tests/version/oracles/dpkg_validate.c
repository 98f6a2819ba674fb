/* Reads hex-encoded texts, one a line; answers 1 when dpkg's own version
 * parser takes the text without an error or a warning, else 0. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <dpkg/dpkg.h>
#include <dpkg/dpkg-db.h>
#include <dpkg/error.h>
#include <dpkg/version.h>

static int nibble(int c) {
  return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
}

int main(void) {
  char* line = NULL;
  size_t capacity = 0;
  ssize_t length;
  while ((length = getline(&line, &capacity, stdin)) > 0) {
    size_t n = (size_t)length / 2, i;
    char* text = malloc(n + 1);
    for (i = 0; i < n; ++i) text[i] = (char)(nibble(line[2 * i]) << 4 | nibble(line[2 * i + 1]));
    text[n] = '\0';
    struct dpkg_version version;
    struct dpkg_error error = DPKG_ERROR_INIT;
    int ok = parseversion(&version, text, &error) == 0 && error.type == DPKG_MSG_NONE;
    dpkg_error_destroy(&error);
    free(text);
    printf("%d\n", ok);
    fflush(stdout);
  }
  free(line);
  return 0;
}
