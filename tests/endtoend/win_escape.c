/* A Windows program that tries to get out: it writes escape.txt into the
   user's home folder and reads .bashrc there (through wine's Z: drive; the
   test packs the home folder's Unix path as home.txt beside it), and writes
   what it managed into "marker" beside itself, plus WINEPREFIX. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

static char home[512];

/* Z:\home\user\name for the Unix path of the home folder. */
static void HomeFile(const char* name, char* out, size_t size) {
  snprintf(out, size, "Z:%s/%s", home, name);
  for (char* p = out; *p; ++p)
    if (*p == '/') *p = '\\';
}

int main(void) {
  char self[MAX_PATH];
  DWORD n = GetModuleFileNameA(NULL, self, MAX_PATH - 16);
  if (n == 0) return 1;
  char* slash = strrchr(self, '\\');
  if (!slash) return 1;
  strcpy(slash + 1, "home.txt");
  FILE* h = fopen(self, "rb");
  if (!h || !fgets(home, sizeof home, h)) return 2;
  fclose(h);
  home[strcspn(home, "\r\n")] = 0;
  char path[1024];
  HomeFile("escape.txt", path, sizeof path);
  FILE* escape = fopen(path, "wb");
  const int wrote = escape && fputs("out\n", escape) >= 0 && fclose(escape) == 0;
  HomeFile(".bashrc", path, sizeof path);
  FILE* secret = fopen(path, "rb");
  char buf[64] = "";
  const int read = secret && fread(buf, 1, sizeof buf - 1, secret) > 0;
  if (secret) fclose(secret);
  strcpy(slash + 1, "marker");
  FILE* out = fopen(self, "wb");
  if (!out) return 3;
  const char* prefix = getenv("WINEPREFIX");
  fprintf(out, "wrote-home=%d\nread-bashrc=%d\nprefix=%s\n", wrote, read, prefix ? prefix : "");
  fclose(out);
  return 0;
}
