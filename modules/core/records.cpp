#include "records.h"

#include <algorithm>
#include <cstring>

namespace arc {
namespace {

template <class T>
std::string Bytes(const T& v) {
  return std::string(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
bool Take(const std::string& payload, size_t* at, T* v) {
  if (payload.size() < *at + sizeof *v) return false;
  std::memcpy(v, payload.data() + *at, sizeof *v);
  *at += sizeof *v;
  return true;
}

// The NUL-ended field from at on (the last one may end with the payload).
std::string Field(const std::string& payload, size_t* at) {
  const size_t end = std::min(payload.find('\0', *at), payload.size());
  std::string f = payload.substr(*at, end - *at);
  *at = end + 1;
  return f;
}

}  // namespace

std::string FrameHead(char type, uint32_t n) {
  const char head[5] = {type, static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                        static_cast<char>(n >> 24)};
  return std::string(head, 5);
}

uint32_t FrameLength(const char head[5]) {
  const auto b = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(head[i])); };
  return b(1) | b(2) << 8 | b(3) << 16 | b(4) << 24;
}

std::string Encode(const MemberRecord& m, const std::string& path) {
  std::string p;
  p.reserve(sizeof m + path.size());
  p.append(reinterpret_cast<const char*>(&m), sizeof m).append(path);
  return p;
}

bool Decode(const std::string& payload, MemberRecord* m, std::string* path) {
  size_t at = 0;
  if (!Take(payload, &at, m)) return false;
  path->assign(payload, at, std::string::npos);
  return true;
}

std::string Encode(const BeginRecord& b) {
  std::string p;
  p.reserve(sizeof b.size + b.path.size() + 1 + b.output.size());
  p.append(reinterpret_cast<const char*>(&b.size), sizeof b.size).append(b.path).push_back('\0');
  p.append(b.output);
  return p;
}

bool Decode(const std::string& payload, BeginRecord* b) {
  size_t at = 0;
  if (!Take(payload, &at, &b->size)) return false;
  b->path = Field(payload, &at);
  b->output = at < payload.size() ? payload.substr(at) : std::string();
  return true;
}

std::string Encode(const Outcome& o) {
  std::string p = Bytes(o.status) + Bytes(static_cast<uint32_t>(o.reason)) + o.member;
  for (const std::string& d : o.details) p += '\0' + d;
  return p;
}

bool Decode(const std::string& payload, Outcome* o) {
  size_t at = 0;
  uint32_t reason = 0;
  if (!Take(payload, &at, &o->status) || !Take(payload, &at, &reason)) return false;
  o->reason = static_cast<Reason>(reason);
  o->member = Field(payload, &at);
  o->details.clear();
  while (at <= payload.size()) o->details.push_back(Field(payload, &at));
  return true;
}

std::string Encode(const PasswordRequest& r) { return Bytes(r.attempt) + r.member; }

bool Decode(const std::string& payload, PasswordRequest* r) {
  size_t at = 0;
  if (!Take(payload, &at, &r->attempt)) return false;
  r->member.assign(payload, at, std::string::npos);
  return true;
}

std::string EncodeU64(uint64_t v) { return Bytes(v); }
bool DecodeU64(const std::string& payload, uint64_t* v) {
  size_t at = 0;
  return Take(payload, &at, v);
}
std::string EncodeU32(uint32_t v) { return Bytes(v); }
bool DecodeU32(const std::string& payload, uint32_t* v) {
  size_t at = 0;
  return Take(payload, &at, v);
}

}  // namespace arc
