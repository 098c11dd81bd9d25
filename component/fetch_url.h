// Where a fetch goes: a URL taken apart into protocol, server, port, object path and credentials,
// both for the component's URL property and for the URL of each file entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace updara {

enum class Protocol { Http, Https, Ftp, File };

struct FetchUrl {
  Protocol protocol = Protocol::Http;
  std::string host;
  long port = 80;  // as written; a fetch refuses one outside 1 to 65535
  // The network protocols: "/" and everything after the server's part (query included); a
  // query or "&" right after the server becomes the first character after the "/". The file
  // protocol: the local or network path.
  std::string objectPath;
  std::string user, password;  // empty when the URL has none
};

// A file entry's URL: a text without "://" is a local path; a scheme other than http, https, ftp
// and file is fetched as HTTP on port 80.
FetchUrl ParseFetchUrl(std::string_view url);

// The URL property after it is set: a text without "://" gets "file://" in front when it is a
// local path (it holds ":\") or a UNC path (it starts with "\\"), any other such text "http://".
struct ComponentUrl {
  std::string url;
  FetchUrl target;
};
// nullopt when the scheme is not one of the four (error 30001). An empty text is no URL at all.
std::optional<ComponentUrl> ParseComponentUrl(std::string_view text);

}  // namespace updara
