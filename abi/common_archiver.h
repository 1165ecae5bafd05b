/*
 * The Common Archiver API as the program and its archiver modules share it.
 * This header is the only thing the two have in common.
 *
 * A module is a shared object exporting, with C linkage, entries named by a
 * prefix ("Unlha", "UnZip", "Cab", "Tar", "Unrar", ...) plus a fixed suffix.
 * Strings are NUL-terminated 8-bit text in the system code page (UTF-8),
 * member paths use "/" as separator.
 *
 * Command lines quote every name and folder between double quotes. A name
 * may hold characters that would end the quotes or the line (Linux allows
 * them, Windows does not): inside a command line or response file the
 * characters '"', '<' and the control characters 0x01-0x1F are written as
 * '<' + two upper-case hex digits + '>' ("a\"b" is "a<22>b"). Text without
 * those characters is passed unchanged.
 *
 * Member names to extract are patterns in which "*" (any run, also across
 * "/") and "?" (one character) are wildcards. A name taken from a listing is
 * passed as a literal: its "*", "?" and "[" characters are written "<2A>",
 * "<3F>", "<5B>", and a leading "@" as "<40>" (a quoted "@" as written opens
 * a response file). A name without live "*" or "?" selects the member of
 * exactly that name; a wildcard matches ASCII letters in either case. The
 * same escapes hold in response files.
 */
#ifndef ZOT_COMMON_ARCHIVER_H
#define ZOT_COMMON_ARCHIVER_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef int CA_BOOL;

/* Status numbers the entries return; 0 is success. */
#define CA_ERROR_WARNING 0x8000u      /* some members were refused or failed; the rest is done */
#define CA_ERROR_NOT_ARCHIVE 0x8006u  /* not an archive of this format */
#define CA_ERROR_CORRUPT 0x8012u      /* the archive is damaged or truncated */
#define CA_ERROR_UNSUPPORTED 0x8013u  /* a compression method (or cipher) this module cannot decode */
#define CA_ERROR_FILE 0x8014u         /* a file could not be read or written */
#define CA_ERROR_CANCEL 0x8020u       /* the owner window asked to stop */
#define CA_ERROR_COMMAND 0x8021u      /* the command line makes no sense */
#define CA_ERROR_NO_CREATE 0x8022u    /* this module cannot create archives */
#define CA_ERROR_WORKER 0x8023u       /* the worker died, hung or could not start */
#define CA_ERROR_NO_MEMBER 0x8024u    /* the named member is not in the archive */
#define CA_ERROR_PASSWORD 0x8025u     /* an encrypted member without the right password */

/* Open modes. */
#define CA_OPEN_LIST 0u
#define CA_OPEN_PROBE 0x800002u

/* Entry signatures; P is the module's prefix. */
typedef int (*CaCommandFn)(void* wnd, const char* cmd, char* out, uint32_t size);           /* P */
typedef void* (*CaOpenArchiveFn)(void* wnd, const char* path, uint32_t mode);               /* P##OpenArchive */
typedef int (*CaCloseArchiveFn)(void* arc);                                                 /* P##CloseArchive */
typedef int (*CaFindFirstFn)(void* arc, const char* wildcard, void* record);                /* P##FindFirst */
typedef int (*CaFindNextFn)(void* arc, void* record);                                       /* P##FindNext */
typedef CA_BOOL (*CaCheckArchiveFn)(const char* path, int mode);                            /* P##CheckArchive */
typedef int (*CaExtractMemFn)(void* wnd, const char* cmd, unsigned char* buf, uint32_t size, void* time,
                              uint16_t* attr, uint32_t* written);                           /* P##ExtractMem */
typedef CA_BOOL (*CaSetOwnerWindowExFn)(void* wnd, void* callback);                         /* P##SetOwnerWindowEx */
typedef CA_BOOL (*CaKillOwnerWindowExFn)(void* wnd);                                        /* P##KillOwnerWindowEx */
typedef CA_BOOL (*CaGetTimeExFn)(void* arc, uint64_t* filetime);    /* P##GetWriteTimeEx, ...CreateTimeEx, ...AccessTimeEx */
typedef CA_BOOL (*CaGetSizeExFn)(void* arc, uint64_t* size);        /* P##GetOriginalSizeEx, ...CompressedSizeEx */
typedef int (*CaGetArchiveTypeFn)(const char* path);                /* P##GetArchiveType */

/*
 * Member information record, 558 bytes, little-endian, no padding, written
 * by FindFirst and FindNext. Times in the DOS fields are local time.
 */
#define CA_PATH_SIZE 513
#pragma pack(push, 1)
typedef struct CaMemberInfo {
  uint32_t original_size;    /*   0 */
  uint32_t compressed_size;  /*   4 */
  uint8_t module_a[14];      /*   8: the module's own */
  uint16_t dos_date;         /*  22 */
  uint16_t dos_time;         /*  24 */
  char path[CA_PATH_SIZE];   /*  26: UTF-8, "/" separators */
  uint8_t module_b[19];      /* 539: the module's own */
} CaMemberInfo;

/* Our modules' flags in module_b[0]: the member is encrypted (a password
 * will be asked for when it is extracted), and what makes a member a
 * program on this system. Other modules leave it zero. */
#define CA_MEMBER_ENCRYPTED 0x01u
/* A regular member with an execute bit in the archive (any of 0111). */
#define CA_MEMBER_EXECUTABLE 0x02u
/* ... whose first bytes are an ELF header, or "#!" (a script). Our modules
 * read only those bytes of such members while listing. */
#define CA_MEMBER_ELF 0x04u
#define CA_MEMBER_SCRIPT 0x08u

/* The record as the program passes it: the library's 558 bytes and 40 of the program's. */
typedef struct CaMemberInfoEx {
  CaMemberInfo info;         /*   0 */
  uint64_t write_time;       /* 558: file time, 100 ns since 1601-01-01 UTC */
  uint64_t access_time;      /* 566 */
  uint64_t create_time;      /* 574 */
  uint64_t original_size64;  /* 582 */
  uint64_t compressed_size64;/* 590 */
} CaMemberInfoEx;
#pragma pack(pop)

/*
 * Windows handed to a module are CaWindow objects (or null). While one is
 * registered with SetOwnerWindowEx, the module reports progress by calling
 * send() synchronously with the message number of "wm_arcextract", a state
 * number and a pointer to a CaExtractingInfo; a non-zero reply asks it to stop.
 */
#define CA_WINDOW_MAGIC 0x5a4f5457u /* "WTOZ" */
typedef struct CaWindow {
  uint32_t magic;
  intptr_t (*send)(struct CaWindow* self, uint32_t msg, uintptr_t wparam, intptr_t lparam);
} CaWindow;

/* Progress states (wparam). */
#define CA_STATE_BEGIN 0      /* an operation starts; member fields empty */
#define CA_STATE_INPROCESS 1  /* a member is being written; sent per member and per chunk */
#define CA_STATE_END 2        /* the operation ended */
/* A member is encrypted: lparam points to a CaPasswordRequest. The owner
 * fills in password and replies CA_PASSWORD_GIVEN; any other reply means
 * there is no password to be had (the member then fails). */
#define CA_STATE_PASSWORD 3
#define CA_PASSWORD_GIVEN 1
#define CA_PASSWORD_SIZE 256

typedef struct CaExtractingInfo {
  uint32_t struct_size;            /* sizeof(CaExtractingInfo) */
  uint32_t reserved;
  uint64_t member_size;            /* uncompressed size of the current member */
  uint64_t written;                /* bytes of it written so far */
  char archive_path[CA_PATH_SIZE]; /* the archive being read */
  char member_path[CA_PATH_SIZE];  /* member path as stored, UTF-8 */
  char output_path[CA_PATH_SIZE];  /* the file being written */
} CaExtractingInfo;

typedef struct CaPasswordRequest {
  uint32_t struct_size;            /* sizeof(CaPasswordRequest) */
  uint32_t attempt;                /* 1 first; 2 and 3 after a wrong password for this member */
  char archive_path[CA_PATH_SIZE]; /* the archive being read */
  char member_path[CA_PATH_SIZE];  /* the encrypted member, UTF-8 */
  char password[CA_PASSWORD_SIZE]; /* the answer, UTF-8, NUL-terminated; wiped by the module after use */
} CaPasswordRequest;

/* The same name gives the same message number to every caller in the process. */
static inline uint32_t CaRegisterWindowMessage(const char* name) {
  uint32_t h = 2166136261u; /* FNV-1a over the ASCII-lower-cased name */
  for (const unsigned char* p = (const unsigned char*)name; *p; ++p) {
    unsigned char c = *p;
    if (c >= 'A' && c <= 'Z') c = (unsigned char)(c + 32);
    h = (h ^ c) * 16777619u;
  }
  return 0xC000u + (h % 0x4000u); /* the registered-message range */
}

#define CA_PROGRESS_MESSAGE_NAME "wm_arcextract"

#ifdef __cplusplus
}
static_assert(sizeof(CaMemberInfo) == 558, "member record is 558 bytes");
static_assert(offsetof(CaMemberInfo, dos_date) == 22 && offsetof(CaMemberInfo, dos_time) == 24 &&
                  offsetof(CaMemberInfo, path) == 26,
              "member record offsets");
static_assert(sizeof(CaMemberInfoEx) == 598, "extended record is 598 bytes");
static_assert(offsetof(CaMemberInfoEx, write_time) == 558 && offsetof(CaMemberInfoEx, access_time) == 566 &&
                  offsetof(CaMemberInfoEx, create_time) == 574 && offsetof(CaMemberInfoEx, original_size64) == 582 &&
                  offsetof(CaMemberInfoEx, compressed_size64) == 590,
              "extended record offsets");
#else
_Static_assert(sizeof(CaMemberInfo) == 558, "member record is 558 bytes");
_Static_assert(sizeof(CaMemberInfoEx) == 598, "extended record is 598 bytes");
#endif

#endif
