/* A tiny Windows program for the end-to-end wine test: it reads data.txt
   beside itself and writes "ran: " + that text into "marker" beside itself. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void) {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH - 16);
  if (n == 0) return 1;
  char* slash = strrchr(self, '\\');
  if (!slash) return 1;
  char data[256] = "";
  strcpy(slash + 1, "data.txt");
  FILE* in = fopen(self, "rb");
  if (!in) return 2;
  size_t got = fread(data, 1, sizeof data - 1, in);
  data[got] = 0;
  fclose(in);
  strcpy(slash + 1, "marker");
  FILE* out = fopen(self, "wb");
  if (!out) return 3;
  fprintf(out, "ran: %s", data);
  fclose(out);
  return 0;
}
