#include "app/updates/rss_feed.h"

#include <cstdint>
#include <optional>

#include "app/tools/text.h"

namespace lw {

namespace {

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsAsciiLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameStart(unsigned char c) { return IsAsciiLetter(c) || c == '_' || c == ':' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || IsDigit(char(c)) || c == '-' || c == '.'; }

std::string TrimXmlSpace(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && IsXmlSpace(s[b])) ++b;
  while (e > b && IsXmlSpace(s[e - 1])) --e;
  return std::string(s.substr(b, e - b));
}

// A name from the feed as an error message may quote it: short, and plain ASCII.
std::string Quoted(std::string_view name) {
  std::string out;
  for (char c : name.substr(0, 40)) out += (static_cast<unsigned char>(c) < 0x80 && c >= ' ') ? c : '?';
  return name.size() > 40 ? out + "..." : out;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

bool IsXmlChar(uint32_t cp) {
  return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) || (cp >= 0xE000 && cp <= 0xFFFD) ||
         (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Windows-1252 in 0x80 to 0x9F; the rest of the single-byte range is ISO-8859-1.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                      0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};

enum class Encoding { Utf8, SingleByte };

// Which text of an item is being collected.
enum class Field { None, Title, Description };

class FeedReader {
 public:
  explicit FeedReader(std::string_view in) : in_(in) {}

  RssFeed Run() {
    if (in_.size() > kMaxFeedBytes) {
      Fail(kFeedTooLarge, Format("The feed is larger than %u KB.", unsigned(kMaxFeedBytes / 1024)));
      return std::move(feed_);
    }
    if (Starts("\xEF\xBB\xBF")) {
      pos_ = 3;
    } else if (Starts("\xFE\xFF") || Starts("\xFF\xFE")) {
      Fail(kFeedEncoding, "The feed is UTF-16 text, which is not supported.");
      return std::move(feed_);
    }
    bool ok = Declaration();
    while (ok && pos_ < in_.size()) {
      char c = in_[pos_];
      ok = c == '<' ? Markup() : c == '&' ? Reference() : Text();
    }
    if (ok && !rootSeen_) ok = NotXml("there is no root element");
    if (ok && !stack_.empty()) ok = NotXml("the element <" + Quoted(stack_.back()) + "> is not closed");
    if (!ok) feed_.items.clear();
    return std::move(feed_);
  }

 private:
  bool Starts(std::string_view s) const { return in_.substr(pos_).starts_with(s); }

  bool Fail(long number, const std::string& text) {
    feed_.errorNumber = number;
    feed_.errorText = text;
    return false;
  }

  bool NotXml(const std::string& what) {
    int line = 1;
    for (size_t i = 0; i < pos_ && i < in_.size(); ++i) line += in_[i] == '\n';
    return Fail(kFeedNotXml, Format("The feed is not well-formed XML (line %d: %s).", line, what.c_str()));
  }

  // <?xml version="1.0" encoding="..."?> at the very start chooses how bytes become characters.
  bool Declaration() {
    if (!Starts("<?xml") || pos_ + 5 >= in_.size() || !IsXmlSpace(in_[pos_ + 5])) return true;
    size_t end = in_.find("?>", pos_);
    if (end == std::string_view::npos) return NotXml("the XML declaration is not closed");
    std::string_view decl = in_.substr(pos_, end - pos_);
    pos_ = end + 2;
    size_t at = decl.find("encoding");
    if (at == std::string_view::npos) return true;
    at += 8;
    while (at < decl.size() && (IsXmlSpace(decl[at]) || decl[at] == '=')) ++at;
    if (at >= decl.size() || (decl[at] != '"' && decl[at] != '\'')) return NotXml("the encoding is not quoted");
    size_t close = decl.find(decl[at], at + 1);
    if (close == std::string_view::npos) return NotXml("the encoding is not quoted");
    std::string name = LCase(decl.substr(at + 1, close - at - 1));
    if (name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii") return true;
    if (name == "iso-8859-1" || name == "iso8859-1" || name == "latin1" || name == "windows-1252" || name == "cp1252") {
      // Feeds that say ISO-8859-1 commonly hold Windows-1252 quotes and dashes; read both as the latter.
      encoding_ = Encoding::SingleByte;
      return true;
    }
    return Fail(kFeedEncoding, "The feed's character encoding \"" + Quoted(name) + "\" is not supported.");
  }

  // Character data from the feed, with line ends as CR LF and single-byte text turned into UTF-8.
  bool AppendText(std::string_view raw) {
    std::string* out = Target();
    for (size_t i = 0; i < raw.size(); ++i) {
      auto c = static_cast<unsigned char>(raw[i]);
      if (c < 0x20 && c != '\t' && c != '\r' && c != '\n') {
        pos_ += i;  // for the line number
        return NotXml("a control character in the text");
      }
      if (!out) continue;
      if (c == '\r' || c == '\n') {
        if (c == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        *out += "\r\n";
      } else if (c >= 0x80 && encoding_ == Encoding::SingleByte) {
        AppendUtf8(*out, c < 0xA0 ? kCp1252High[c - 0x80] : c);
      } else {
        *out += char(c);
      }
    }
    return true;
  }

  std::string* Target() {
    if (field_ == Field::None || !item_) return nullptr;
    RssItem& item = feed_.items[*item_];
    return field_ == Field::Title ? &item.title : &item.description;
  }

  bool Text() {
    size_t end = pos_;
    while (end < in_.size() && in_[end] != '<' && in_[end] != '&') ++end;
    std::string_view run = in_.substr(pos_, end - pos_);
    if (stack_.empty()) {
      for (char c : run)
        if (!IsXmlSpace(c)) return NotXml("text outside the root element");
    }
    if (!AppendText(run)) return false;
    pos_ = end;
    return true;
  }

  bool Reference() {
    if (stack_.empty()) return NotXml("text outside the root element");
    size_t semi = in_.find(';', pos_);
    if (semi == std::string_view::npos || semi - pos_ > 12) return NotXml("'&' is not followed by a reference");
    std::string_view ref = in_.substr(pos_ + 1, semi - pos_ - 1);
    std::optional<uint32_t> cp;
    if (ref == "lt")
      cp = '<';
    else if (ref == "gt")
      cp = '>';
    else if (ref == "amp")
      cp = '&';
    else if (ref == "apos")
      cp = '\'';
    else if (ref == "quot")
      cp = '"';
    else if (ref.size() > 1 && ref[0] == '#') {
      bool hex = ref[1] == 'x';
      std::string_view digits = ref.substr(hex ? 2 : 1);
      uint32_t v = 0;
      bool good = !digits.empty() && digits.size() <= 8;
      for (char d : digits) {
        if (!good) break;
        int n = IsDigit(d)               ? d - '0'
                : !hex                   ? -1
                : (d >= 'a' && d <= 'f') ? d - 'a' + 10
                : (d >= 'A' && d <= 'F') ? d - 'A' + 10
                                         : -1;
        if (n < 0)
          good = false;
        else
          v = v * (hex ? 16 : 10) + uint32_t(n);
      }
      if (!good || !IsXmlChar(v)) return NotXml("the character reference &" + Quoted(ref) + "; is not a character");
      cp = v;
    } else {
      return NotXml("the entity &" + Quoted(ref) + "; is not defined");
    }
    if (std::string* out = Target()) {
      if (*cp == '\r' || *cp == '\n')
        *out += "\r\n";
      else
        AppendUtf8(*out, *cp);
    }
    pos_ = semi + 1;
    return true;
  }

  bool Markup() {
    if (Starts("<?")) {
      if (Starts("<?xml") && pos_ + 5 < in_.size() && IsXmlSpace(in_[pos_ + 5]))
        return NotXml("the XML declaration is not at the start");
      return SkipPast("?>", "a processing instruction is not closed");
    }
    if (Starts("<!--")) return SkipPast("-->", "a comment is not closed");
    if (Starts("<![CDATA[")) {
      if (stack_.empty()) return NotXml("CDATA outside the root element");
      size_t end = in_.find("]]>", pos_ + 9);
      if (end == std::string_view::npos) return NotXml("a CDATA section is not closed");
      size_t start = pos_ + 9;
      if (!AppendText(in_.substr(start, end - start))) return false;
      pos_ = end + 3;
      return true;
    }
    if (Starts("<!DOCTYPE")) return DocumentType();
    if (Starts("<!")) return NotXml("unexpected markup '<!'");
    if (Starts("</")) return EndTag();
    return StartTag();
  }

  bool SkipPast(std::string_view end, const char* unclosed) {
    size_t at = in_.find(end, pos_);
    if (at == std::string_view::npos) return NotXml(unclosed);
    pos_ = at + end.size();
    return true;
  }

  // Skipped whole, internal subset and all: nothing declared in it is ever used.
  bool DocumentType() {
    if (rootSeen_) return NotXml("a document type inside the document");
    int brackets = 0;
    for (size_t i = pos_ + 9; i < in_.size(); ++i) {
      char c = in_[i];
      if (c == '"' || c == '\'') {
        size_t close = in_.find(c, i + 1);
        if (close == std::string_view::npos) break;
        i = close;
      } else if (brackets > 0 && in_.substr(i).starts_with("<!--")) {
        size_t close = in_.find("-->", i + 4);
        if (close == std::string_view::npos) break;
        i = close + 2;
      } else if (c == '[') {
        ++brackets;
      } else if (c == ']') {
        --brackets;
      } else if (c == '>' && brackets <= 0) {
        pos_ = i + 1;
        return true;
      }
    }
    return NotXml("the document type is not closed");
  }

  std::string_view Name() {
    size_t start = pos_;
    if (pos_ >= in_.size() || !IsNameStart(static_cast<unsigned char>(in_[pos_]))) return {};
    while (pos_ < in_.size() && IsNameChar(static_cast<unsigned char>(in_[pos_]))) ++pos_;
    return in_.substr(start, pos_ - start);
  }

  void SkipSpace() {
    while (pos_ < in_.size() && IsXmlSpace(in_[pos_])) ++pos_;
  }

  bool StartTag() {
    ++pos_;
    std::string_view name = Name();
    if (name.empty()) return NotXml("'<' is not followed by an element name");
    bool empty = false;
    for (;;) {
      size_t before = pos_;
      SkipSpace();
      if (pos_ >= in_.size()) return NotXml("the tag <" + Quoted(name) + "> is not closed");
      if (in_[pos_] == '>') {
        ++pos_;
        break;
      }
      if (Starts("/>")) {
        pos_ += 2;
        empty = true;
        break;
      }
      if (pos_ == before) return NotXml("unexpected text in the tag <" + Quoted(name) + ">");
      if (Name().empty()) return NotXml("unexpected text in the tag <" + Quoted(name) + ">");
      SkipSpace();
      if (pos_ >= in_.size() || in_[pos_] != '=') return NotXml("an attribute of <" + Quoted(name) + "> has no value");
      ++pos_;
      SkipSpace();
      if (pos_ >= in_.size() || (in_[pos_] != '"' && in_[pos_] != '\''))
        return NotXml("an attribute of <" + Quoted(name) + "> is not quoted");
      size_t close = in_.find(in_[pos_], pos_ + 1);
      if (close == std::string_view::npos) return NotXml("an attribute of <" + Quoted(name) + "> is not closed");
      if (in_.substr(pos_, close - pos_).find('<') != std::string_view::npos)
        return NotXml("'<' in an attribute of <" + Quoted(name) + ">");
      pos_ = close + 1;
    }
    if (!Open(name)) return false;
    if (empty) Close();
    return true;
  }

  bool EndTag() {
    pos_ += 2;
    std::string_view name = Name();
    SkipSpace();
    if (name.empty() || pos_ >= in_.size() || in_[pos_] != '>') return NotXml("a malformed end tag");
    if (stack_.empty() || stack_.back() != name)
      return NotXml("the end tag </" + Quoted(name) + "> does not match " +
                    (stack_.empty() ? std::string("any element") : "<" + Quoted(stack_.back()) + ">"));
    ++pos_;
    Close();
    return true;
  }

  bool Open(std::string_view name) {
    const size_t depth = stack_.size();
    if (depth == 0) {
      if (rootSeen_) return NotXml("a second root element <" + Quoted(name) + ">");
      rootSeen_ = true;
      if (name != "rss")
        return Fail(kFeedNotRss, "The feed is not an RSS document (its root element is <" + Quoted(name) + ">).");
    }
    if (depth >= kMaxFeedDepth)
      return Fail(kFeedNotXml, Format("The feed's elements are nested more than %u deep.", unsigned(kMaxFeedDepth)));
    if (depth == 2 && name == "item" && stack_[1] == "channel") {
      if (feed_.items.size() >= kMaxFeedItems)
        return Fail(kFeedTooLarge, Format("The feed has more than %u items.", unsigned(kMaxFeedItems)));
      feed_.items.emplace_back();
      item_ = feed_.items.size() - 1;
      haveTitle_ = haveDescription_ = false;
    } else if (depth == 3 && item_ && field_ == Field::None) {
      if (name == "title" && !haveTitle_) {
        field_ = Field::Title;
        haveTitle_ = true;
      } else if (name == "description" && !haveDescription_) {
        field_ = Field::Description;
        haveDescription_ = true;
      }
    }
    stack_.emplace_back(name);
    return true;
  }

  void Close() {
    stack_.pop_back();
    const size_t depth = stack_.size();
    if (depth == 3 && field_ != Field::None) {
      std::string* text = Target();
      *text = TrimXmlSpace(*text);
      field_ = Field::None;
    } else if (depth == 2 && item_) {
      item_.reset();
    }
  }

  std::string_view in_;
  size_t pos_ = 0;
  Encoding encoding_ = Encoding::Utf8;
  std::vector<std::string> stack_;
  std::optional<size_t> item_;  // the item being read
  Field field_ = Field::None;
  bool haveTitle_ = false, haveDescription_ = false;
  bool rootSeen_ = false;
  RssFeed feed_;
};

bool ContainsNoCase(std::string_view text, std::string_view part) {
  return LCase(text).find(LCase(part)) != std::string::npos;
}

}  // namespace

RssFeed ParseRssFeed(std::string_view xml) { return FeedReader(xml).Run(); }

bool IsVersionTitle(std::string_view title) {
  std::string t = Trim(title);
  if (t.size() < 4 || t[0] == ' ') return false;
  std::string_view number = std::string_view(t).substr(1);
  if (!IsDigit(number.front()) || !IsDigit(number.back())) return false;
  bool dot = false;
  for (size_t i = 0; i < number.size(); ++i) {
    if (number[i] == '.') {
      if (number[i - 1] == '.') return false;
      dot = true;
    } else if (!IsDigit(number[i])) {
      return false;
    }
  }
  return dot;
}

std::vector<RssItem> FilterRssItems(const std::vector<RssItem>& items, std::string_view filter) {
  std::vector<RssItem> kept;
  for (const RssItem& item : items) {
    bool keep = filter.empty() ? true
                : EqualsNoCase(filter, "Version")
                    ? IsVersionTitle(item.title)
                    : ContainsNoCase(item.title, filter) || ContainsNoCase(item.description, filter);
    if (keep) kept.push_back(item);
  }
  return kept;
}

}  // namespace lw
