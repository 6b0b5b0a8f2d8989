#include "uLogGenerator.h"

#include <cstdio>
#include <cstring>
#include <memory>

namespace {

// splitmix64: tiny, fast and the same on every platform.
struct TRandom {
  uint64_t State;
  uint64_t Next() {
    uint64_t Z = (State += 0x9E3779B97F4A7C15ULL);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBULL;
    return Z ^ (Z >> 31);
  }
  uint32_t Below(uint32_t N) { return static_cast<uint32_t>(Next() % N); }
};

struct TClock {
  int Day = 1, Hour = 0, Minute = 0, Second = 0, Ms = 0;
  void Advance(TRandom& R) {
    Ms += static_cast<int>(R.Below(40));
    Second += Ms / 1000;
    Ms %= 1000;
    Minute += Second / 60;
    Second %= 60;
    Hour += Minute / 60;
    Minute %= 60;
    Day += Hour / 24;
    Hour %= 24;
    if (Day > 28) Day = 1;
  }
};

const char* const Words[] = {"order",   "customer", "session", "request", "cache",  "payment",
                             "invoice", "user",     "batch",   "queue",   "report", "connection",
                             "token",   "account",  "record",  "index",   "shard",  "lease"};
const char* const Verbs[] = {"Processed", "Loaded",  "Saved",     "Rejected", "Retrying", "Opened",
                             "Closed",    "Expired", "Scheduled", "Skipped",  "Created",  "Updated"};
const char* const Classes[] = {"com.example.order.OrderService", "com.example.db.ConnectionPool",
                               "com.example.web.RequestHandler", "org.apache.kafka.clients.Consumer",
                               "com.example.cache.CacheManager", "com.example.auth.TokenValidator"};
const char* const Paths[] = {"/api/items/", "/static/app.js?v=", "/login",        "/api/orders/",
                             "/health",     "/images/logo.png?", "/search?q=item"};
const char* const Agents[] = {"Mozilla/5.0 (Windows NT 10.0; Win64; x64)", "curl/8.4.0",
                              "Mozilla/5.0 (X11; Linux x86_64) Firefox/120.0", "kube-probe/1.28"};
const char* const Daemons[] = {"sshd", "cron", "kernel", "systemd", "postfix/smtpd", "dhclient"};

template <size_t N>
const char* Pick(TRandom& R, const char* const (&Items)[N]) {
  return Items[R.Below(static_cast<uint32_t>(N))];
}

// A realistic mix: mostly INFO and DEBUG, a few warnings, rare errors.
const char* Log4jLevel(TRandom& R) {
  const uint32_t X = R.Below(1000);
  if (X < 20) return "ERROR";
  if (X < 80) return "WARN ";
  if (X < 650) return "INFO ";
  if (X < 950) return "DEBUG";
  return "TRACE";
}

int Message(TRandom& R, char* Out, size_t Room) {
  switch (R.Below(4)) {
    case 0:
      return std::snprintf(Out, Room, "%s %s %u for %s %u in %u ms", Pick(R, Verbs), Pick(R, Words), R.Below(1000000),
                           Pick(R, Words), R.Below(10000), R.Below(500));
    case 1:
      return std::snprintf(Out, Room, "%s %s id=%u state=%s", Pick(R, Verbs), Pick(R, Words), R.Below(100000),
                           R.Below(2) ? "ok" : "pending");
    case 2:
      return std::snprintf(Out, Room, "%s %u %s entries", Pick(R, Verbs), R.Below(5000), Pick(R, Words));
    default:
      return std::snprintf(Out, Room, "%s %s %u: %s %s of %s %u", Pick(R, Verbs), Pick(R, Words), R.Below(999),
                           Pick(R, Words), Pick(R, Words), Pick(R, Words), R.Below(99999));
  }
}

const char* const Months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

int Line(TGeneratedKind Kind, TRandom& R, TClock& C, uint64_t Number, char* Out, size_t Room) {
  C.Advance(R);
  char Msg[200];
  Message(R, Msg, sizeof(Msg));
  switch (Kind) {
    case TGeneratedKind::Log4j:
    case TGeneratedKind::Utf16:
      return std::snprintf(Out, Room, "2024-03-%02d %02d:%02d:%02d,%03d %s [worker-%u] %s - %s\n", C.Day, C.Hour,
                           C.Minute, C.Second, C.Ms, Log4jLevel(R), R.Below(16), Pick(R, Classes), Msg);
    case TGeneratedKind::Access: {
      const uint32_t X = R.Below(100);
      const int Status = X < 85 ? 200 : X < 90 ? 304 : X < 96 ? 404 : X < 99 ? 403 : 500;
      return std::snprintf(
          Out, Room, "10.%u.%u.%u - - [%02d/Mar/2024:%02d:%02d:%02d +0000] \"%s %s%u HTTP/1.1\" %d %u \"-\" \"%s\"\n",
          R.Below(256), R.Below(256), R.Below(256), C.Day, C.Hour, C.Minute, C.Second, R.Below(5) ? "GET" : "POST",
          Pick(R, Paths), R.Below(10000), Status, R.Below(60000), Pick(R, Agents));
    }
    case TGeneratedKind::Syslog:
      return std::snprintf(Out, Room, "%s %2d %02d:%02d:%02d host%u %s[%u]: %s%s\n", Months[2], C.Day, C.Hour, C.Minute,
                           C.Second, R.Below(4), Pick(R, Daemons), 100 + R.Below(30000),
                           R.Below(50) ? "" : "error: ", Msg);
    case TGeneratedKind::Json: {
      static const char* const Levels[] = {"info", "info", "info", "debug", "debug", "warn", "error", "trace"};
      return std::snprintf(Out, Room,
                           "{\"timestamp\":\"2024-03-%02dT%02d:%02d:%02d.%03dZ\",\"level\":\"%s\",\"logger\":\"%s\","
                           "\"thread\":\"worker-%u\",\"message\":\"%s\"}\n",
                           C.Day, C.Hour, C.Minute, C.Second, C.Ms, Levels[R.Below(8)], Pick(R, Classes), R.Below(16),
                           Msg);
    }
    case TGeneratedKind::PlainShort:
      return std::snprintf(Out, Room, "big line %07llu lorem ipsum\n", static_cast<unsigned long long>(Number));
    case TGeneratedKind::PlainLong: {
      char Second[200], Third[200];
      Message(R, Second, sizeof(Second));
      Message(R, Third, sizeof(Third));
      return std::snprintf(Out, Room, "node%u/%s: %s; then %s; %s\n", R.Below(64), Pick(R, Daemons), Msg, Second,
                           Third);
    }
  }
  return 0;
}

}  // namespace

const char* GeneratedKindName(TGeneratedKind Kind) {
  switch (Kind) {
    case TGeneratedKind::Log4j:
      return "log4j";
    case TGeneratedKind::Access:
      return "access";
    case TGeneratedKind::Syslog:
      return "syslog";
    case TGeneratedKind::Json:
      return "json";
    case TGeneratedKind::PlainShort:
      return "short";
    case TGeneratedKind::PlainLong:
      return "long";
    case TGeneratedKind::Utf16:
      return "utf16";
  }
  return "";
}

bool GeneratedKindFromName(const std::string& Name, TGeneratedKind& Kind) {
  for (TGeneratedKind K : AllGeneratedKinds)
    if (Name == GeneratedKindName(K)) {
      Kind = K;
      return true;
    }
  return false;
}

bool GenerateLog(const std::string& FileName, TGeneratedKind Kind, int64_t Bytes) {
  FILE* Out = std::fopen(FileName.c_str(), "wb");
  if (!Out) return false;
  constexpr size_t Chunk = 1 << 20;
  const std::unique_ptr<char[]> Buffer(new char[2 * Chunk + 2048]);
  TRandom R{0x5EED0000ULL + static_cast<uint64_t>(Kind)};
  TClock Clock;
  const bool Wide = Kind == TGeneratedKind::Utf16;
  int64_t Written = 0;
  size_t Used = 0;
  if (Wide) {
    Buffer[Used++] = '\xFF';
    Buffer[Used++] = '\xFE';
  }
  bool Ok = true;
  for (uint64_t Number = 1; Ok && Written + static_cast<int64_t>(Used) < Bytes; ++Number) {
    char Text[1024];
    const int Length = Line(Kind, R, Clock, Number, Text, sizeof(Text));
    for (int I = 0; I < Length; ++I) {
      Buffer[Used++] = Text[I];
      if (Wide) Buffer[Used++] = 0;  // the lines are ASCII
    }
    if (Used >= Chunk) {
      Ok = std::fwrite(Buffer.get(), 1, Used, Out) == Used;
      Written += static_cast<int64_t>(Used);
      Used = 0;
    }
  }
  if (Ok && Used > 0) Ok = std::fwrite(Buffer.get(), 1, Used, Out) == Used;
  return std::fclose(Out) == 0 && Ok;
}
