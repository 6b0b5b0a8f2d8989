#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "loader/uFormatDetect.h"
#include "loader/uLogLoader.h"
#include "model/uDateTime.h"
#include "model/uLogTypes.h"
#include "platform/uPlatformClock.h"
#include "settings/uSettings.h"
#include "uTestSupport.h"

namespace {

using TLines = std::vector<std::string>;

TLines Repeat(const std::string& Line, int Count) { return TLines(Count, Line); }

TLines Concat(std::initializer_list<TLines> Parts) {
  TLines All;
  for (const TLines& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
  return All;
}

// The first lines of a file as the loader hands them over: without line breaks.
TLines FirstLines(const std::string& Path, size_t Count) {
  TLines Lines = ReadFileLines(Path, Count);
  EXPECT_FALSE(Lines.empty()) << Path;
  return Lines;
}

const std::string Log4xLine = "2024-05-06 07:08:09,123 INFO  [main] com.acme.App - started";
const std::string AccessLine = R"(127.0.0.1 - - [10/Oct/2000:13:55:36 -0700] "GET /a.gif HTTP/1.0" 200 2326)";
const std::string AuthedAccessLine = R"(127.0.0.1 - frank [10/Oct/2000:13:55:36 -0700] "GET /a.gif HTTP/1.0" 200 2326)";
const std::string IisDataLine =
    "2024-05-06 07:08:09 10.0.0.5 GET /index.html - 443 - 192.168.1.20 Mozilla/5.0 - 200 0 0 15";
const std::string JsonLine = R"({"time":"2024-05-06T07:08:09Z","level":"info","msg":"a","x":1})";

}  // namespace

TEST(FormatDetect, Votes) {
  struct TCase {
    const char* Name;
    TLines Samples;
    TLogFormat Expected;
  };
  const TCase Cases[] = {
      {"no samples", {}, lfPlain},
      {"three Log4x lines among other text", Concat({Repeat(Log4xLine, 3), Repeat("plain text", 2)}), lfPlain},
      {"four Log4x lines among other text", Concat({Repeat(Log4xLine, 4), Repeat("plain text", 9)}), lfLog4x},
      // A file too short for four votes needs a vote from each of its lines.
      {"a short Log4x file", Repeat(Log4xLine, 3), lfLog4x},
      {"one access line", {AccessLine}, lfApache},
      {"two lines that agree on nothing", {Log4xLine, AccessLine}, lfPlain},
      {"bracketed levels", Repeat("2024-05-06 07:08:09 [WARNING] x", 4), lfLog4x},
      {"blank lines neither vote nor count", Concat({Repeat(Log4xLine, 3), Repeat("  \t ", 10)}), lfLog4x},
      {"lower-case level words", Repeat("2016-06-30 12:00:07 fatal x", 4), lfLog4x},
      {"a level word after a process id", Repeat("2025-08-13 01:45:07.456 PDT [12377] ERROR:  x", 4), lfLog4x},
      {"samples are trimmed", Repeat("  \t2024-05-06 07:08:09 DEBUG x  \r", 4), lfLog4x},
      {"only 50 samples count", Concat({Repeat("plain text", 47), Repeat(Log4xLine, 10)}), lfPlain},
      {"50th sample still counts", Concat({Repeat("plain text", 46), Repeat(Log4xLine, 4)}), lfLog4x},
      {"one Rapid SCADA module line wins",
       Concat({{"2024-05-06 07:08:09 MODULE ModArcBasic v6 Started"}, Repeat(Log4xLine, 20)}), lfRapidScada},
      {"module line in another case", {"2024-05-06 07:08:09 module modtest is stopped"}, lfRapidScada},
      {"strict Rapid SCADA line", Concat({Repeat(IisDataLine, 10), {"2024-05-06 07:08:09 [Comm][1][ERR] failure"}}),
       lfRapidScada},
      {"access log with - - votes Apache and Nginx; Apache wins the tie", Repeat(AccessLine, 4), lfApache},
      {"access log with user names", Repeat(AuthedAccessLine, 4), lfNginx},
      {"mixed access log", Concat({Repeat(AccessLine, 3), Repeat(AuthedAccessLine, 2)}), lfNginx},
      {"W3C directives and data",
       {"#Software: Microsoft Internet Information Services 10.0", "#Version: 1.0",
        "#Fields: date time s-ip cs-method cs-uri-stem", IisDataLine},
       lfIIS},
      // W3C data lines are ISO-stamped lines: without a directive they are plain text.
      {"ISO lines without level words", Repeat("2024-05-06 07:08:09 pump 1 started", 4), lfPlain},
      {"W3C data lines without directives", Repeat(IisDataLine, 10), lfPlain},
      {"W3C data lines after one directive", Concat({{"#Fields: date time"}, Repeat(IisDataLine, 3)}), lfIIS},
      {"a stack trace's lines are no directives", Repeat("#0 /var/www/app.php(12): Kernel->run(a, b, c, d)", 6),
       lfPlain},
      {"ISO lines with a comma after the seconds", Repeat("2024-05-06 07:08:09, Info x", 4), lfLog4x},
      {"syslog priority, irregular rest", Repeat("<13>whatever follows", 4), lfSyslog},
      {"shortest syslog priority", Repeat("<1>x", 4), lfSyslog},
      {"four-digit priority is no priority", Repeat("<1234>whatever", 4), lfPlain},
      {"syslog shape", Repeat("Jun 14 15:16:01 combo sshd[1]: x", 4), lfSyslog},
      {"syslog shape needs a non-digit start", Repeat("123 14 15:16:01 combo x", 4), lfPlain},
      {"CSV level column after an ISO time", Repeat("2024-05-06 07:08:09,INFO,Net,x", 4), lfCSV},
      {"CSV without timestamps", Repeat("alpha,beta,gamma,delta", 4), lfCSV},
      {"empty CSV fields do not count", Repeat("alpha,,beta,gamma,", 4), lfPlain},
      {"tab header alone", Concat({{"timestamp\tlevel\tmsg"}, Repeat("2024-05-06 07:08:09,WARN,x", 3)}), lfCSV},
      {"tab data lines", Repeat("06.05.2024 07:08:09\tINFO\tPump\tStarted", 4), lfCSV},
      {"tab data lines, slashed", Repeat("05/06/2024 07:08:09\tINFO\tPump\tStarted", 4), lfCSV},
      {"three tab fields are too few", Repeat("06.05.2024 07:08:09\tINFO\tStarted", 4), lfPlain},
      {"tab data without a time", Repeat("pump\tINFO\tx\ty", 4), lfPlain},
      {"JSON lines", Repeat(JsonLine, 4), lfJSON},
      {"JSON with a capital Level key", Repeat(R"({"Level":"Info"})", 4), lfJSON},
      {"JSON lines need no level key", Repeat(R"({"lvl":"info"})", 4), lfJSON},
      {"a JSON line's commas are not CSV's", Concat({Repeat(R"({"log":"x","a":1,"b":2,"c":3})", 4), {"a,b,c,d"}}),
       lfJSON},
      {"a level word before a request: no access line",
       Repeat(R"(INFO:     10.0.0.7:50312 - "GET /items HTTP/1.1" 200 OK)", 4), lfPlain},
      {"RFC 5424 syslog", Repeat("<34>1 2003-10-11T22:14:15.003Z host su - ID47 - failed", 4), lfSyslog},
      {"Log4x needs more than three even when others have fewer",
       Concat({Repeat(Log4xLine, 4), Repeat("alpha,beta,gamma,delta", 4)}), lfLog4x},
      {"a later format with more votes wins", Concat({Repeat(Log4xLine, 4), Repeat("alpha,beta,gamma,delta", 5)}),
       lfCSV},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(DetectFormat(Case.Samples), Case.Expected) << Case.Name;
}

TEST(FormatDetect, RapidScadaModuleLines) {
  struct TCase {
    const char* Line;
    bool Expected;
  };
  const TCase Cases[] = {
      {"2024-05-06 07:08:09 Module ModArcBasic v6.1.0.0 started", true},
      {"2024-05-06 07:08:09 Module ModArcBasic is stopped", true},
      {"2024-05-06 07:08:09 Check module registration: OK", true},
      {"2024-05-06 07:08:09 Error loading module configuration:", true},
      {"2024-05-06 07:08:09   Normal execution is impossible  ", true},
      {"2024-05-06 07:08:09 Normal execution is impossible!", false},
      {"2024-05-06 07:08:09 Module ModArcBasic", false},
      {"2024-05-06 07:08:09 ModuleMod started", false},
      {"2024/05/06 07:08:09 Module Mod started", false},
      {"2024-05-06T07:08:09 Module Mod started", false},
      {"2024-05-06 07:08:09,Module Mod started", false},
      {"2024-02-30 07:08:09 Module Mod started", false},
      {"2024-05-06 07:08:09 ", false},
      {"2024-05-06 07:08:09  ", false},
      {"", false},
  };
  for (const TCase& Case : Cases) EXPECT_EQ(IsRapidScadaModuleLine(Case.Line), Case.Expected) << Case.Line;
}

TEST(FormatDetectFiles, RealLogs) {
  struct TCase {
    const char* File;
    TLogFormat Expected;
  };
  // The Apache error log, HealthApp and Proxifier are text with a leading time (Proxifier's commas
  // stand in sentences); the Windows CBS log is ISO-stamped with its level words after a comma.
  const TCase Cases[] = {
      {"Apache_2k.log", lfPlain},    {"HealthApp_2k.log", lfPlain}, {"Linux_2k.log", lfSyslog},
      {"Proxifier_2k.log", lfPlain}, {"Windows_2k.log", lfLog4x},   {"Zookeeper_2k.log", lfLog4x},
  };
  for (const TCase& Case : Cases) {
    const TLines Lines = FirstLines(TestDataPath(std::string("loghub/") + Case.File), 50);
    ASSERT_EQ(Lines.size(), 50u) << Case.File;
    EXPECT_EQ(DetectFormat(Lines), Case.Expected) << Case.File;
  }
}

TEST(FormatDetectFiles, BundledSamples) {
  struct TCase {
    const char* File;
    TLogFormat Expected;
  };
  const TCase Cases[] = {
      {"nginx_access.log", lfNginx}, {"apache_access.log", lfApache},
      {"syslog.log", lfSyslog},      {"events.csv", lfCSV},
      {"events.tsv", lfCSV},         {"app.json.log", lfJSON},
      {"iis_w3c.log", lfIIS},        {"rapidscada_comm.log", lfRapidScada},
  };
  for (const TCase& Case : Cases) {
    const TLines Lines = FirstLines(TestDataPath(Case.File), 50);
    ASSERT_GE(Lines.size(), 4u) << Case.File;
    EXPECT_EQ(DetectFormat(Lines), Case.Expected) << Case.File;
  }
}

namespace {

// A file of a folder of logs in the shapes of common software, and what the folder's manifest
// expects of it.
struct TShapeFile {
  std::string Name, Format;
  struct TLine {
    char Level;             // E W I D T (or lower case), - for none, . not checked
    std::string Timestamp;  // YYYY-MM-DD hh:nn:ss, - for none, . not checked
  };
  std::vector<TLine> Lines;
};

std::vector<TShapeFile> ReadShapeManifest(const std::string& Folder) {
  std::vector<TShapeFile> Files;
  const std::string Year = std::to_string(CurrentLocalYear());
  for (const std::string& Line : ReadFileLines(TestDataPath(Folder + "/expected.txt"))) {
    if (Line.empty() || Line[0] == '#') continue;
    if (Line.size() > 1 && Line[1] == ' ') {
      std::string Timestamp = Line.substr(2);
      if (Timestamp.rfind("....", 0) == 0) Timestamp.replace(0, 4, Year);
      Files.back().Lines.push_back({Line[0], Timestamp});
    } else {
      const size_t Colon = Line.find(": ");
      Files.push_back({Line.substr(0, Colon), Line.substr(Colon + 2), {}});
    }
  }
  return Files;
}

std::string TimestampText(double Value) {
  if (Value == 0) return "-";
  const TDateTimeParts P = DecodeDateTime(Value);
  char Text[24];
  std::snprintf(Text, sizeof Text, "%04d-%02d-%02d %02d:%02d:%02d", P.Year, P.Month, P.Day, P.Hour, P.Minute, P.Second);
  return Text;
}

TLogLevel LevelOfLetter(char Letter) {
  switch (Letter | 0x20) {
    case 'e':
      return lError;
    case 'w':
      return lWarn;
    case 'i':
      return lInfo;
    case 'd':
      return lDebug;
    case 't':
      return lTrace;
    default:
      return lCustom;
  }
}

void ExpectShapes(const std::string& Folder, const std::vector<TShapeFile>& Files) {
  const TAppSettings Settings;
  for (const TShapeFile& File : Files) {
    TLoadedLog Log;
    ASSERT_TRUE(Log.Load(TestDataPath(Folder + "/" + File.Name), Settings)) << File.Name;
    EXPECT_EQ(FormatDisplayName(Log.Format), File.Format) << File.Name;
    ASSERT_EQ(static_cast<size_t>(Log.List.Count), File.Lines.size()) << File.Name;
    for (size_t i = 0; i < File.Lines.size(); ++i) {
      const TLogEntry& Entry = Log.List.Items[i];
      const TShapeFile::TLine& Expected = File.Lines[i];
      if (Expected.Level != '.') {
        EXPECT_EQ(Entry.Level, LevelOfLetter(Expected.Level)) << File.Name << ':' << i + 1;
      }
      if (Expected.Timestamp != ".") {
        EXPECT_EQ(TimestampText(Entry.Timestamp), Expected.Timestamp) << File.Name << ':' << i + 1;
      }
    }
  }
}

}  // namespace

// Whole small logs in the shapes of common software, through the loader as a user opens them:
// the format detected, then each line's level and leading timestamp. The two folders were
// written apart, the second to test the first's rules with shapes they were not made from.
TEST(FormatDetectFiles, PublicShapes) {
  for (const std::string Folder : {"formats", "systems"}) {
    const std::vector<TShapeFile> Files = ReadShapeManifest(Folder);
    ASSERT_GE(Files.size(), 40u) << Folder;
    ExpectShapes(Folder, Files);
  }
}

TEST(FormatDetect, ArbitrarySamplesNeverGiveUnknownOrCustom) {
  const std::string Alphabet = "0123456789-/:. ,\t[]<>{}\"#JunMODULEmod";
  uint32_t Seed = 777;
  auto Next = [&Seed](uint32_t Bound) {
    Seed = Seed * 1664525u + 1013904223u;
    return (Seed >> 8) % Bound;
  };
  for (int Round = 0; Round < 300; ++Round) {
    TLines Samples;
    for (uint32_t i = Next(60); i > 0; --i) {
      std::string Line = Next(3) == 0 ? "2024-05-06 07:08:09" : "";
      for (uint32_t k = Next(40); k > 0; --k) Line += Alphabet[Next(static_cast<uint32_t>(Alphabet.size()))];
      IsRapidScadaModuleLine(Line);
      Samples.push_back(Line);
    }
    const TLogFormat Format = DetectFormat(Samples);
    EXPECT_NE(Format, lfUnknown);
    EXPECT_NE(Format, lfCustom);
    EXPECT_LT(Format, LogFormatCount);
  }
}
