#include "tools/RegFile.h"

#include <algorithm>
#include <cstdio>

#include "platform/CodePage.h"

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
// Hex lines are wrapped with a backslash so that no line passes this width.
constexpr size_t kLineWidth = 80;
constexpr const char* kZeroInName = "a name may not hold a zero character";
constexpr const char* kLineBreakInName = "a name may not hold a line break";

std::string Escape(std::string_view text) {
  std::string out = "\"";
  for (const char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out.push_back(c);
    }
  }
  return out + "\"";
}

// The text of REG_SZ data when a quoted string carries it exactly.
bool QuotableString(const std::vector<uint8_t>& data, std::string* text) {
  if (data.size() < 2 || data.size() % 2 != 0) return false;
  std::u16string units;
  for (size_t i = 0; i < data.size(); i += 2) {
    units.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
  }
  if (units.back() != 0) return false;
  units.pop_back();
  for (const char16_t unit : units) {
    if (unit == 0 || unit == u'\n' || unit == u'\r') return false;
  }
  *text = Utf16ToUtf8(units);
  return Utf8ToUtf16(*text) == units;  // no lone surrogates
}

void AppendHex(std::string& out, std::string line, const std::vector<uint8_t>& data) {
  for (size_t i = 0; i < data.size(); ++i) {
    char piece[4];
    std::snprintf(piece, sizeof piece, i + 1 < data.size() ? "%02x," : "%02x", data[i]);
    if (i > 0 && line.size() + std::string_view(piece).size() + 1 > kLineWidth) {
      out += line + "\\\n";
      line = "  ";
    }
    line += piece;
  }
  out += line + "\n";
}

void AppendValue(std::string& out, const TRegFileValue& value) {
  std::string line = value.name.empty() ? "@=" : Escape(value.name) + "=";
  std::string text;
  if (value.remove) {
    out += line + "-\n";
  } else if (value.type == REG_SZ && QuotableString(value.data, &text)) {
    out += line + Escape(text) + "\n";
  } else if (value.type == REG_DWORD && value.data.size() == 4) {
    char number[16];
    std::snprintf(number, sizeof number, "dword:%08x",
                  value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                      static_cast<uint32_t>(value.data[3]) << 24);
    out += line + number + "\n";
  } else if (value.type == REG_BINARY) {
    AppendHex(out, line + "hex:", value.data);
  } else {
    char prefix[24];
    std::snprintf(prefix, sizeof prefix, "hex(%x):", value.type);
    AppendHex(out, line + prefix, value.data);
  }
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
    text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// Reads a quoted string at the start of `text` and steps past it.
bool ReadQuoted(std::string_view& text, std::string* out) {
  if (text.empty() || text.front() != '"') return false;
  out->clear();
  for (size_t i = 1; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\' && i + 1 < text.size()) {
      c = text[++i];
      if (c == 'n') c = '\n';
      if (c == 'r') c = '\r';
      // "\\" and "\"" stand for themselves; so does any other escaped character.
    }
    out->push_back(c);
  }
  return false;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool ParseHexNumber(std::string_view text, size_t maxDigits, uint32_t* number) {
  if (text.empty() || text.size() > maxDigits) return false;
  *number = 0;
  for (const char c : text) {
    if (HexDigit(c) < 0) return false;
    *number = *number << 4 | static_cast<uint32_t>(HexDigit(c));
  }
  return true;
}

bool ParseHexBytes(std::string_view text, std::vector<uint8_t>* bytes) {
  bytes->clear();
  text = Trim(text);
  if (text.empty()) return true;
  while (true) {
    const size_t comma = text.find(',');
    uint32_t byte = 0;
    if (!ParseHexNumber(Trim(text.substr(0, comma)), 2, &byte)) return false;
    bytes->push_back(static_cast<uint8_t>(byte));
    if (comma == std::string_view::npos) return true;
    text.remove_prefix(comma + 1);
  }
}

// The file's text as UTF-8.
std::string DecodeText(std::string_view raw) {
  if (raw.size() >= 2 && static_cast<uint8_t>(raw[0]) == 0xFF &&
      static_cast<uint8_t>(raw[1]) == 0xFE) {
    std::u16string units;
    for (size_t i = 2; i + 1 < raw.size(); i += 2) {
      units.push_back(static_cast<char16_t>(static_cast<uint8_t>(raw[i]) |
                                            static_cast<uint8_t>(raw[i + 1]) << 8));
    }
    return Utf16ToUtf8(units);
  }
  if (raw.substr(0, 3) == "\xEF\xBB\xBF") raw.remove_prefix(3);
  return std::string(raw);
}

class Parser {
 public:
  Parser(std::string_view text, std::vector<TRegFileKey>* keys, std::string* error)
      : FKeys(keys), FError(error) {
    for (size_t start = 0; start <= text.size();) {
      const size_t end = text.find('\n', start);
      FLines.push_back(text.substr(start, end - start));
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
  }

  bool Run() {
    size_t i = 0;
    while (i < FLines.size() && Trim(FLines[i]).empty())
      ++i;
    if (i == FLines.size() || Trim(FLines[i]) != kHeader) {
      FLineNumber = i + 1;
      return Fail(i < FLines.size() && Trim(FLines[i]) == "REGEDIT4"
                      ? "REGEDIT4 files are not supported (their strings are 8-bit); "
                        "expected \"" +
                            std::string(kHeader) + "\""
                      : "expected \"" + std::string(kHeader) + "\"");
    }
    for (++i; i < FLines.size(); ++i) {
      FLineNumber = i + 1;
      std::string_view line = Trim(FLines[i]);
      if (line.empty() || line.front() == ';') continue;
      if (line.front() == '[') {
        if (!KeyLine(line)) return false;
        continue;
      }
      // A hex list may go on over lines that end in a backslash.
      std::string joined(line);
      while (joined.back() == '\\' && joined.find("=hex") != std::string::npos &&
             i + 1 < FLines.size()) {
        joined.pop_back();
        joined += Trim(FLines[++i]);
      }
      if (!ValueLine(joined)) return false;
    }
    return true;
  }

 private:
  bool Fail(const std::string& reason) {
    *FError = "line " + std::to_string(FLineNumber) + ": " + reason;
    return false;
  }

  bool KeyLine(std::string_view line) {
    if (line.back() != ']') return Fail("a key line must end with ']'");
    line = line.substr(1, line.size() - 2);
    TRegFileKey key;
    if (!line.empty() && line.front() == '-') {
      key.remove = true;
      line.remove_prefix(1);
    }
    // The hive takes names up to their first zero character, so such a name
    // would reach another key.
    if (line.find('\0') != std::string_view::npos) return Fail(kZeroInName);
    // Nor could an export write such a name back.
    if (line.find('\r') != std::string_view::npos) return Fail(kLineBreakInName);
    std::string reason;
    if (!ParseRegKeyPath(line, &key.path, &reason)) return Fail(reason);
    // What the hive would refuse is refused here, before anything of the
    // file is applied.
    if (key.remove && key.path.subKey.empty()) {
      return Fail("HKEY_CURRENT_USER itself cannot be deleted");
    }
    for (size_t start = 0; start <= key.path.subKey.size();) {
      const size_t slash = std::min(key.path.subKey.find('\\', start), key.path.subKey.size());
      if (Utf8ToUtf16(std::string_view(key.path.subKey).substr(start, slash - start)).size() >
          kMaxKeyNameLength) {
        return Fail("a key name is longer than " + std::to_string(kMaxKeyNameLength) +
                    " characters");
      }
      start = slash + 1;
    }
    FKeys->push_back(std::move(key));
    return true;
  }

  bool ValueLine(std::string_view line) {
    if (FKeys->empty() || FKeys->back().remove) return Fail("a value outside a key");
    TRegFileValue value;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (!ReadQuoted(line, &value.name)) {
      return Fail("a value name must be @ or a quoted string");
    }
    if (value.name.find('\0') != std::string::npos) return Fail(kZeroInName);
    if (value.name.find_first_of("\r\n") != std::string::npos) return Fail(kLineBreakInName);
    if (Utf8ToUtf16(value.name).size() > kMaxValueNameLength) {
      return Fail("a value name is longer than " + std::to_string(kMaxValueNameLength) +
                  " characters");
    }
    line = Trim(line);
    if (line.empty() || line.front() != '=') return Fail("expected '=' after the value name");
    line = Trim(line.substr(1));
    if (line == "-") {
      value.remove = true;
    } else if (!line.empty() && line.front() == '"') {
      std::string text;
      if (!ReadQuoted(line, &text) || !Trim(line).empty()) return Fail("a broken quoted string");
      value.type = REG_SZ;
      value.data = RegStringData(text);
    } else if (line.starts_with("dword:")) {
      uint32_t number = 0;
      if (!ParseHexNumber(line.substr(6), 8, &number)) {
        return Fail("dword: needs 1 to 8 hex digits");
      }
      value.type = REG_DWORD;
      value.data = {static_cast<uint8_t>(number), static_cast<uint8_t>(number >> 8),
                    static_cast<uint8_t>(number >> 16), static_cast<uint8_t>(number >> 24)};
    } else if (line.starts_with("hex:")) {
      value.type = REG_BINARY;
      if (!ParseHexBytes(line.substr(4), &value.data)) return Fail("bad hex bytes");
    } else if (line.starts_with("hex(")) {
      const size_t close = line.find("):");
      if (close == std::string_view::npos ||
          !ParseHexNumber(line.substr(4, close - 4), 8, &value.type)) {
        return Fail("hex(N): needs a type number of 1 to 8 hex digits");
      }
      if (!ParseHexBytes(line.substr(close + 2), &value.data)) return Fail("bad hex bytes");
    } else {
      return Fail("unknown kind of data (expected \"...\", dword:, hex:, hex(N): or -)");
    }
    FKeys->back().values.push_back(std::move(value));
    return true;
  }

  std::vector<std::string_view> FLines;
  std::vector<TRegFileKey>* FKeys;
  std::string* FError;
  size_t FLineNumber = 0;
};

}  // namespace

std::vector<uint8_t> RegStringData(std::string_view text) {
  std::vector<uint8_t> data;
  for (const char16_t unit : Utf8ToUtf16(text)) {
    data.push_back(static_cast<uint8_t>(unit));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  return data;
}

std::string FormatRegFile(const std::vector<TRegFileKey>& keys) {
  std::string out = std::string(kHeader) + "\n\n";
  for (const TRegFileKey& key : keys) {
    out += (key.remove ? "[-" : "[") + key.path.FullName() + "]\n";
    for (const TRegFileValue& value : key.values)
      AppendValue(out, value);
    out += "\n";
  }
  return out;
}

bool ParseRegFile(std::string_view raw, std::vector<TRegFileKey>* keys, std::string* error) {
  const std::string text = DecodeText(raw);
  std::vector<TRegFileKey> parsed;
  if (!Parser(text, &parsed, error).Run()) return false;
  *keys = std::move(parsed);
  return true;
}
