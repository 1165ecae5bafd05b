// The payloads of the worker's records (protocol.h), written and read in
// this one place: each Encode has the Decode that reads it back, which
// returns false for a payload too short to be one.
#pragma once
#include "outcome.h"
#include "protocol.h"

#include <cstdint>
#include <string>

namespace arc {

// The 5 bytes that frame a payload: type, then its length (little-endian).
// The password answers use the same framing with their own type bytes.
std::string FrameHead(char type, uint32_t length);
inline std::string Frame(char type, const std::string& payload) {
  return FrameHead(type, static_cast<uint32_t>(payload.size())) + payload;
}
uint32_t FrameLength(const char head[5]);

// Rec::Member
std::string Encode(const MemberRecord& m, const std::string& path);
bool Decode(const std::string& payload, MemberRecord* m, std::string* path);

// Rec::Begin: the member's stated size, its path and where it is written.
struct BeginRecord {
  uint64_t size = 0;
  std::string path;
  std::string output;
};
std::string Encode(const BeginRecord& b);
bool Decode(const std::string& payload, BeginRecord* b);

// Rec::Problem
std::string Encode(const Outcome& o);
bool Decode(const std::string& payload, Outcome* o);

// Rec::Password: which attempt, for which member.
struct PasswordRequest {
  uint32_t attempt = 0;
  std::string member;
};
std::string Encode(const PasswordRequest& r);
bool Decode(const std::string& payload, PasswordRequest* r);

// Rec::Written (u64) and Rec::End (u32 status).
std::string EncodeU64(uint64_t v);
bool DecodeU64(const std::string& payload, uint64_t* v);
std::string EncodeU32(uint32_t v);
bool DecodeU32(const std::string& payload, uint32_t* v);

}  // namespace arc
