/*
 * A stand-in archiver module for tests. Built several times with different
 * prefixes and entry subsets. It records every call in the file named by
 * $FAKE_MODULE_LOG and answers listings from "fake archives": text files
 * whose first line is "FAKE" followed by the formats that accept the file,
 * then one member a line as "path|size|compressed|dosdate|dostime".
 *
 * Build switches: PREFIX (entry prefix), FORMAT (format word), NO_OPTIONAL
 * (no Get*Ex entries), NO_FINDNEXT, ONLY_COMMAND (just the command entry),
 * ZIP_COMMAND (also export "Zip"), NO_OWNER (no owner-window entries).
 */
#include "common_archiver.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))
#define CAT2(a, b) a##b
#define CAT(a, b) CAT2(a, b)
#define E(suffix) CAT(PREFIX, suffix)

static void Log(const char* fmt, ...) {
  const char* path = getenv("FAKE_MODULE_LOG");
  if (!path) return;
  FILE* f = fopen(path, "a");
  if (!f) return;
  fprintf(f, "%s ", FORMAT);
  va_list ap;
  va_start(ap, fmt);
  vfprintf(f, fmt, ap);
  va_end(ap);
  fputc('\n', f);
  fclose(f);
}

__attribute__((constructor)) static void Loaded(void) { Log("load"); }
__attribute__((destructor)) static void Unloaded(void) { Log("unload"); }

static void* g_owner;

#ifndef ONLY_COMMAND
typedef struct Member {
  char path[CA_PATH_SIZE];
  unsigned long size, csize, date, time;
} Member;

typedef struct Archive {
  Member* members;
  int count;
  int next;
  int current;
  char wildcard[CA_PATH_SIZE];
} Archive;

/* Whether the fake archive accepts this module's format; fills the members when asked. */
static int ReadArchive(const char* path, Archive* arc) {
  FILE* f = fopen(path, "r");
  if (!f) return 0;
  char line[1200];
  int accepted = 0;
  if (fgets(line, sizeof line, f) && strncmp(line, "FAKE", 4) == 0) {
    char* word = strtok(line + 4, " \r\n");
    for (; word; word = strtok(NULL, " \r\n"))
      if (strcmp(word, FORMAT) == 0) accepted = 1;
  }
  while (accepted && arc && fgets(line, sizeof line, f)) {
    Member m;
    memset(&m, 0, sizeof m);
    char* bar = strchr(line, '|');
    if (!bar) continue;
    *bar = 0;
    snprintf(m.path, sizeof m.path, "%.512s", line);
    sscanf(bar + 1, "%lu|%lu|%lu|%lu", &m.size, &m.csize, &m.date, &m.time);
    arc->members = realloc(arc->members, sizeof(Member) * (size_t)(arc->count + 1));
    arc->members[arc->count++] = m;
  }
  fclose(f);
  return accepted;
}

static int Lower(int c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; }

static int Match(const char* w, const char* s) {
  if (!*w) return !*s;
  if (*w == '*') return Match(w + 1, s) || (*s && Match(w, s + 1));
  if (!*s) return 0;
  if (*w == '?' || Lower((unsigned char)*w) == Lower((unsigned char)*s)) return Match(w + 1, s + 1);
  return 0;
}

static int Next(Archive* arc, void* record) {
  CaMemberInfo* info = record;
  for (; arc->next < arc->count; ++arc->next) {
    const Member* m = &arc->members[arc->next];
    if (strcmp(arc->wildcard, "*.*") != 0 && !Match(arc->wildcard, m->path)) continue;
    memset(info, 0, sizeof *info);
    info->original_size = (uint32_t)m->size;
    info->compressed_size = (uint32_t)m->csize;
    info->dos_date = (uint16_t)m->date;
    info->dos_time = (uint16_t)m->time;
    snprintf(info->path, sizeof info->path, "%s", m->path);
    arc->current = arc->next++;
    return 0;
  }
  return -1;
}

EXPORT void* E(OpenArchive)(void* wnd, const char* path, uint32_t mode) {
  (void)wnd;
  Log("OpenArchive %#x %s", mode, path);
  Archive* arc = calloc(1, sizeof *arc);
  if (!ReadArchive(path, arc)) {
    free(arc->members);
    free(arc);
    return NULL;
  }
  return arc;
}

EXPORT int E(CloseArchive)(void* h) {
  Log("CloseArchive");
  Archive* arc = h;
  if (arc) free(arc->members);
  free(arc);
  return 0;
}

EXPORT int E(FindFirst)(void* h, const char* wildcard, void* record) {
  Log("FindFirst %s", wildcard);
  Archive* arc = h;
  if (!arc) return -1;
  snprintf(arc->wildcard, sizeof arc->wildcard, "%s", wildcard);
  arc->next = 0;
  return Next(arc, record);
}

#ifndef NO_FINDNEXT
EXPORT int E(FindNext)(void* h, void* record) { return h ? Next(h, record) : -1; }
#endif

EXPORT CA_BOOL E(CheckArchive)(const char* path, int mode) {
  Log("CheckArchive %d %s", mode, path);
  return ReadArchive(path, NULL);
}

EXPORT int E(ExtractMem)(void* wnd, const char* cmd, unsigned char* buf, uint32_t size, void* time, uint16_t* attr,
                         uint32_t* written) {
  (void)wnd;
  (void)time;
  (void)attr;
  Log("ExtractMem %s", cmd);
  const uint32_t n = size < 4 ? size : 4;
  memcpy(buf, "data", n);
  if (written) *written = n;
  return 0;
}

#ifndef NO_OPTIONAL
/* Values no DOS date or 32-bit size could give, so tests see where they came from. */
static uint64_t Index(void* h) { return h ? (uint64_t)((Archive*)h)->current : 0; }
EXPORT CA_BOOL E(GetWriteTimeEx)(void* h, uint64_t* t) { *t = 0x01D0000000000000ull + Index(h); return 1; }
#ifdef ZIP_FAMILY
/* The ZIP family's write-time entry is spelt with a lower-case "z". */
EXPORT CA_BOOL UnzipGetWriteTimeEx(void* h, uint64_t* t) {
  Log("UnzipGetWriteTimeEx");
  return E(GetWriteTimeEx)(h, t);
}
#endif
EXPORT CA_BOOL E(GetCreateTimeEx)(void* h, uint64_t* t) { *t = 0x01C0000000000000ull + Index(h); return 1; }
EXPORT CA_BOOL E(GetAccessTimeEx)(void* h, uint64_t* t) { *t = 0x01B0000000000000ull + Index(h); return 1; }
EXPORT CA_BOOL E(GetOriginalSizeEx)(void* h, uint64_t* n) { *n = 5000000000ull + Index(h); return 1; }
EXPORT CA_BOOL E(GetCompressedSizeEx)(void* h, uint64_t* n) { *n = 6000000000ull + Index(h); return 1; }
#endif

EXPORT int E(GetArchiveType)(const char* path) {
  Log("GetArchiveType %s", path);
  return 1;
}

#ifndef NO_OWNER
EXPORT CA_BOOL E(SetOwnerWindowEx)(void* wnd, void* callback) {
  Log("SetOwnerWindowEx %s", callback ? "callback" : "-");
  g_owner = wnd;
  return 1;
}

EXPORT CA_BOOL E(KillOwnerWindowEx)(void* wnd) {
  Log("KillOwnerWindowEx");
  if (wnd == g_owner) g_owner = NULL;
  return 1;
}
#endif
#endif /* ONLY_COMMAND */

/* Sends begin, two chunks and end; a non-zero reply stops. */
static int Progress(void) {
  CaWindow* w = g_owner;
  if (!w || w->magic != CA_WINDOW_MAGIC) return 0;
  const uint32_t msg = CaRegisterWindowMessage(CA_PROGRESS_MESSAGE_NAME);
  CaExtractingInfo info;
  memset(&info, 0, sizeof info);
  info.struct_size = sizeof info;
  const int states[] = {CA_STATE_BEGIN, CA_STATE_INPROCESS, CA_STATE_INPROCESS, CA_STATE_END};
  for (int i = 0; i < 4; ++i) {
    snprintf(info.member_path, sizeof info.member_path, "member%d", i);
    info.member_size = 100;
    info.written = (uint64_t)(i * 50);
    if (w->send(w, msg, (uintptr_t)states[i], (intptr_t)&info) != 0) {
      Log("aborted at %d", i);
      return 1;
    }
  }
  return 0;
}

static int RunCommand(const char* entry, const char* cmd, char* out, uint32_t size) {
  Log("%s %s|", entry, cmd);
  if (out && size) snprintf(out, size, "%s done", FORMAT);
  if (!out && size) Log("null buffer with size %u", size);
  return Progress() ? CA_ERROR_CANCEL : 0;
}

EXPORT int PREFIX(void* wnd, const char* cmd, char* out, uint32_t size) {
  (void)wnd;
  return RunCommand("Command", cmd, out, size);
}

#ifdef ZIP_COMMAND
EXPORT int Zip(void* wnd, const char* cmd, char* out, uint32_t size) {
  (void)wnd;
  return RunCommand("Zip", cmd, out, size);
}
#endif
