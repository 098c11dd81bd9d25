#include "component/fetch_url.h"

#include <cctype>

#include "component/updara_text.h"

namespace updara {
namespace {

std::optional<Protocol> KnownScheme(std::string_view scheme) {
  const std::string s = LowerAscii(scheme);
  if (s == "http") return Protocol::Http;
  if (s == "https") return Protocol::Https;
  if (s == "ftp") return Protocol::Ftp;
  if (s == "file") return Protocol::File;
  return std::nullopt;
}

long DefaultPort(Protocol p) { return p == Protocol::Https ? 443 : p == Protocol::Ftp ? 21 : 80; }

// "file:///C:/dir/x" names the drive path "C:/dir/x".
std::string LocalPath(std::string_view rest) {
  if (rest.size() >= 3 && rest[0] == '/' && std::isalpha(static_cast<unsigned char>(rest[1])) && rest[2] == ':')
    rest.remove_prefix(1);
  return std::string(rest);
}

FetchUrl Split(Protocol protocol, std::string_view rest) {
  FetchUrl out;
  out.protocol = protocol;
  if (protocol == Protocol::File) {
    out.objectPath = LocalPath(rest);
    return out;
  }
  out.port = DefaultPort(protocol);
  const size_t end = rest.find_first_of("/?&");
  std::string_view authority = rest.substr(0, end);
  if (const size_t at = authority.find('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    const size_t colon = user.find(':');
    out.user = std::string(user.substr(0, colon));
    if (colon != std::string_view::npos) out.password = std::string(user.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }
  // The port's colon comes after a bracketed address's own colons.
  const size_t bracket = authority.starts_with('[') ? authority.find(']') : 0;
  const size_t colon = authority.find(':', bracket == std::string_view::npos ? 0 : bracket);
  out.host = std::string(authority.substr(0, colon));
  if (colon != std::string_view::npos && colon + 1 < authority.size() &&
      std::isdigit(static_cast<unsigned char>(authority[colon + 1])))
    out.port = LeadingNumber(authority.substr(colon + 1));
  out.objectPath = "/";
  if (end != std::string_view::npos) {
    if (rest[end] != '/') out.objectPath += rest[end];
    out.objectPath += rest.substr(end + 1);
  }
  return out;
}

}  // namespace

FetchUrl ParseFetchUrl(std::string_view url) {
  const size_t sep = url.find("://");
  if (sep == std::string_view::npos) {
    FetchUrl local;
    local.protocol = Protocol::File;
    local.objectPath = std::string(url);
    return local;
  }
  return Split(KnownScheme(url.substr(0, sep)).value_or(Protocol::Http), url.substr(sep + 3));
}

std::optional<ComponentUrl> ParseComponentUrl(std::string_view text) {
  if (text.empty()) return ComponentUrl{};
  ComponentUrl out;
  if (text.find("://") == std::string_view::npos) {
    // A drive path or a UNC path ("\\server\share\...") is a file; anything else names a host.
    const bool path = text.find(":\\") != std::string_view::npos || text.starts_with("\\\\");
    out.url = (path ? "file://" : "http://") + std::string(text);
  } else {
    out.url = std::string(text);
  }
  const size_t sep = out.url.find("://");
  const std::optional<Protocol> protocol = KnownScheme(std::string_view(out.url).substr(0, sep));
  if (!protocol) return std::nullopt;
  out.target = Split(*protocol, std::string_view(out.url).substr(sep + 3));
  return out;
}

}  // namespace updara
