/* A Windows program that stays: it writes "running" into "marker" beside
   itself and then waits a minute, so that the window closes while it runs. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(void) {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH - 16);
  char* slash = n ? strrchr(self, '\\') : NULL;
  if (!slash) return 1;
  strcpy(slash + 1, "marker");
  FILE* out = fopen(self, "wb");
  if (!out) return 3;
  fputs("running\n", out);
  fclose(out);
  Sleep(60000);
  return 0;
}
