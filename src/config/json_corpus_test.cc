// The public JSON conformance cases for strings: a y_ case must be accepted and an
// n_ case refused by our reader, alone and as the member list of a configuration.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <stdexcept>

#include "config/json_reader.h"
#include "config/mount_config.h"

namespace marlox {
namespace {

namespace fs = std::filesystem;

// The details the reader itself raises; anything else comes from the schema.
const std::set<std::string> kReaderDetails = {
    "unexpected JSON token",
    "unexpected JSON value",
    "trailing content",
    "unterminated string",
    "unescaped control character",
    "incomplete string escape",
    "invalid string escape",
    "incomplete Unicode escape",
    "invalid Unicode escape",
    "unexpected low surrogate",
    "high surrogate requires low surrogate",
    "invalid low surrogate",
    "invalid UTF-8 sequence",
    "incomplete UTF-8 sequence",
    "invalid UTF-8 continuation",
    "overlong UTF-8 sequence",
    "invalid Unicode scalar",
};

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Whether the reader takes the whole text as one string or one array of strings.
bool ReaderAccepts(const std::string& text) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(text.data());
  JsonCursor cursor = OpenJsonCursor(data, text.size());
  try {
    SkipJsonWhitespace(cursor);
    if (PeekJsonByte(cursor) == '[') {
      ReadJsonStringArray(cursor, [](JsonCursor& element) { ReadJsonString(element); });
    } else {
      ReadJsonString(cursor);
    }
    SkipJsonWhitespace(cursor);
  } catch (const std::runtime_error&) {
    return false;
  }
  return cursor.position == cursor.size;
}

// The detail of the configuration error a document raises, or the whole message
// of an error without a byte position ("" when it loads).
std::string DetailOf(const std::string& document) {
  try {
    ParseMountConfig(std::vector<std::uint8_t>(document.begin(), document.end()), u"C:\\cfg");
  } catch (const std::exception& error) {
    const std::string message = error.what();
    const auto colon = message.find(": ");
    return colon == std::string::npos ? message : message.substr(colon + 2);
  }
  return "";
}

// The detail of the error a configuration with `members` as its member list raises.
std::string DetailAsMembers(const std::string& members) {
  return DetailOf(R"({"schema_version":1,"drive":"P:","members":)" + members + "}");
}

// The detail of the error a configuration with `value` as its name raises.
std::string DetailAsName(const std::string& value) {
  const std::string document =
      R"({"schema_version":1,"drive":"P:","members":["a.img"],"name":)" + value + "}";
  return DetailOf(document);
}

TEST(JsonCorpus, StringCasesAreAcceptedOrRefusedAsTheCorpusSays) {
  const fs::path corpus = MARLOX_JSON_CORPUS;
  if (!fs::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    const bool accept = name.starts_with("y_string_");
    if (!accept && !name.starts_with("n_string_")) continue;
    ++checked;
    const std::string text = ReadFile(entry.path());
    EXPECT_EQ(ReaderAccepts(text), accept) << name;

    // An array case as a configuration's member list: a y_ case may still break a
    // member path rule, but never the syntax; an n_ case always breaks the syntax.
    // (A bare string such as ""x cannot be placed: the schema checks the string
    // before the reader would reach what follows it.)
    const std::string trimmed = Trim(text);
    if (trimmed.empty() || trimmed.front() != '[') continue;
    const std::string detail = DetailAsMembers(text);
    EXPECT_EQ(kReaderDetails.count(detail) == 1, !accept) << name << ": " << detail;

    // The array's content as the value of `name`: the reader decides the same way,
    // though a y_ string may still break the pool name rule.
    const std::string inner =
        Trim(trimmed.substr(1, trimmed.size() - (trimmed.back() == ']' ? 2 : 1)));
    const std::string name_detail = DetailAsName(inner);
    EXPECT_EQ(kReaderDetails.count(name_detail) == 1, !accept)
        << name << " as name: " << name_detail;
  }
  EXPECT_GT(checked, 0);
}

}  // namespace
}  // namespace marlox
