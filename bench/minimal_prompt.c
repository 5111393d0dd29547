/* The floor for an empty session: a C program that prints one prompt and exits. */
#include <stdio.h>

int main(void) {
  fputs("Enter SST (deg C) > ", stdout);
  return 0;
}
