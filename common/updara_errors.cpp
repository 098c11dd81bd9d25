#include "common/updara_errors.h"

#include <iterator>

namespace updara {
namespace {

struct ErrorRow {
  long code;
  const char* text;
};

// Looked up from the top; the Internet API rows carry the system's own descriptions of its codes.
constexpr ErrorRow kErrors[] = {
    {0, "No error."},
    {2, "The system cannot find the file specified."},
    {3, "The system cannot find the path specified."},
    {13, "Type mismatch."},
    {380, "Invalid Property Value."},
    {12001, "No more handles could be generated at this time."},  // ERROR_INTERNET_OUT_OF_HANDLES
    {12002, "The request has timed out."},  // ERROR_INTERNET_TIMEOUT
    {12003, "An extended error was returned from the server."},  // ERROR_INTERNET_EXTENDED_ERROR
    {12004, "An internal error has occurred."},  // ERROR_INTERNET_INTERNAL_ERROR
    {12005, "The URL is invalid."},  // ERROR_INTERNET_INVALID_URL
    {12006, "The URL scheme could not be recognized or is not supported."},  // ERROR_INTERNET_UNRECOGNIZED_SCHEME
    {12007, "The server name could not be resolved."},  // ERROR_INTERNET_NAME_NOT_RESOLVED
    {12008, "The requested protocol could not be located."},  // ERROR_INTERNET_PROTOCOL_NOT_FOUND
    {12009, "A request to InternetQueryOption or InternetSetOption specified an invalid option value."},  // ERROR_INTERNET_INVALID_OPTION
    {12010, "The length of an option supplied to InternetQueryOption or InternetSetOption is incorrect for the type of option specified."},  // ERROR_INTERNET_BAD_OPTION_LENGTH
    {12011, "The request option cannot be set, only queried."},  // ERROR_INTERNET_OPTION_NOT_SETTABLE
    {12012, "The Win32 Internet function support is being shut down or unloaded."},  // ERROR_INTERNET_SHUTDOWN
    {12013, "The request to connect and log on to an FTP server could not be completed because the supplied user name is incorrect."},  // ERROR_INTERNET_INCORRECT_USER_NAME
    {12014, "The request to connect and log on to an FTP server could not be completed because the supplied password is incorrect."},  // ERROR_INTERNET_INCORRECT_PASSWORD
    {12015, "The request to connect to and log on to an FTP server failed."},  // ERROR_INTERNET_LOGIN_FAILURE
    {12016, "The requested operation is invalid."},  // ERROR_INTERNET_INVALID_OPERATION
    {12017, "The operation was canceled, usually because the handle on which the request was operating was closed before the operation completed."},  // ERROR_INTERNET_OPERATION_CANCELLED
    {12018, "The type of handle supplied is incorrect for this operation."},  // ERROR_INTERNET_INCORRECT_HANDLE_TYPE
    {12019, "The requested operation cannot be carried out because the handle supplied is not in the correct state."},  // ERROR_INTERNET_INCORRECT_HANDLE_STATE
    {12020, "The request cannot be made via a proxy."},  // ERROR_INTERNET_NOT_PROXY_REQUEST
    {12021, "A required registry value could not be located."},  // ERROR_INTERNET_REGISTRY_VALUE_NOT_FOUND
    {12022, "A required registry value was located but is an incorrect type or has an invalid value."},  // ERROR_INTERNET_BAD_REGISTRY_PARAMETER
    {12023, "Direct network access cannot be made at this time."},  // ERROR_INTERNET_NO_DIRECT_ACCESS
    {12024, "An asynchronous request could not be made because a zero context value was supplied."},  // ERROR_INTERNET_NO_CONTEXT
    {12025, "An asynchronous request could not be made because a callback function has not been set."},  // ERROR_INTERNET_NO_CALLBACK
    {12026, "The required operation could not be completed because one or more requests are pending."},  // ERROR_INTERNET_REQUEST_PENDING
    {12027, "The format of the request is invalid."},  // ERROR_INTERNET_INCORRECT_FORMAT
    {12028, "The requested item could not be located."},  // ERROR_INTERNET_ITEM_NOT_FOUND
    {12029, "The attempt to connect to the server failed."},  // ERROR_INTERNET_CANNOT_CONNECT
    {12030, "The connection with the server has been terminated."},  // ERROR_INTERNET_CONNECTION_ABORTED
    {12031, "The connection with the server has been reset."},  // ERROR_INTERNET_CONNECTION_RESET
    {12032, "Calls for the Win32 Internet function to redo the request."},  // ERROR_INTERNET_FORCE_RETRY
    {12033, "The request to the proxy was invalid."},  // ERROR_INTERNET_INVALID_PROXY_REQUEST
    {12034, "A user interface or other blocking operation has been requested."},  // ERROR_INTERNET_NEED_UI
    {12036, "The request failed because the handle already exists."},  // ERROR_INTERNET_HANDLE_EXISTS
    {12037, "SSL certificate date that was received from the server is bad."},  // ERROR_INTERNET_SEC_CERT_DATE_INVALID
    {12038, "SSL certificate common name (host name field) is incorrect."},  // ERROR_INTERNET_SEC_CERT_CN_INVALID
    {12039, "The application is moving from a non-SSL to an SSL connection because of a redirect."},  // ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR
    {12040, "The application is moving from an SSL to an non-SSL connection because of a redirect."},  // ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR
    {12041, "Indicates that the content is not entirely secure."},  // ERROR_INTERNET_MIXED_SECURITY
    {12042, "The application is posting and attempting to change multiple lines of text on a server that is not secure."},  // ERROR_INTERNET_CHG_POST_IS_NON_SECURE
    {12043, "The application is posting data to a server that is not secure."},  // ERROR_INTERNET_POST_IS_NON_SECURE
    {12044, "The server is requesting client authentication."},  // ERROR_INTERNET_CLIENT_AUTH_CERT_NEEDED
    {12045, "The function is unfamiliar with the Certificate Authority that generated the server's certificate."},  // ERROR_INTERNET_INVALID_CA
    {12046, "Client authorization is not set up on this computer."},  // ERROR_INTERNET_CLIENT_AUTH_NOT_SETUP
    {12047, "The application could not start an asynchronous thread."},  // ERROR_INTERNET_ASYNC_THREAD_FAILED
    {12048, "The function could not handle the redirection, because the scheme changed (for example, HTTP to FTP)."},  // ERROR_INTERNET_REDIRECT_SCHEME_CHANGE
    {12049, "Another thread has a password dialog box in progress."},  // ERROR_INTERNET_DIALOG_PENDING
    {12050, "The dialog box should be retried."},  // ERROR_INTERNET_RETRY_DIALOG
    {12052, "The data being submitted to an SSL connection is being redirected to a non-SSL connection."},  // ERROR_INTERNET_HTTPS_HTTP_SUBMIT_REDIR
    {12054, "The requested resource requires Fortezza authentication."},  // ERROR_INTERNET_FORTEZZA_LOGIN_NEEDED
    {12055, "The SSL certificate contains errors."},  // ERROR_INTERNET_SEC_CERT_ERRORS
    {12056, "The SSL certificate was not revoked."},  // ERROR_INTERNET_SEC_CERT_NO_REV
    {12057, "Revocation of the SSL certificate failed."},  // ERROR_INTERNET_SEC_CERT_REV_FAILED
    {12110, "The requested operation cannot be made on the FTP session handle because an operation is already in progress."},  // ERROR_FTP_TRANSFER_IN_PROGRESS
    {12111, "The FTP operation was not completed because the session was aborted."},  // ERROR_FTP_DROPPED
    {12112, "Passive mode is not available on the server."},  // ERROR_FTP_NO_PASSIVE_MODE
    {12150, "The requested header could not be located."},  // ERROR_HTTP_HEADER_NOT_FOUND
    {12151, "The server did not return any headers."},  // ERROR_HTTP_DOWNLEVEL_SERVER
    {12152, "The server response could not be parsed."},  // ERROR_HTTP_INVALID_SERVER_RESPONSE
    {12153, "The supplied header is invalid."},  // ERROR_HTTP_INVALID_HEADER
    {12154, "The request made to HttpQueryInfo is invalid."},  // ERROR_HTTP_INVALID_QUERY_REQUEST
    {12155, "The header could not be added because it already exists."},  // ERROR_HTTP_HEADER_ALREADY_EXISTS
    {12156, "The redirection failed because either the scheme changed (for example, HTTP to FTP) or all attempts made to redirect failed (default is five attempts)."},  // ERROR_HTTP_REDIRECT_FAILED
    {12157, "The application experienced an internal error loading the SSL libraries."},  // ERROR_INTERNET_SECURITY_CHANNEL_ERROR
    {12158, "The function was unable to cache the file."},  // ERROR_INTERNET_UNABLE_TO_CACHE_FILE
    {12159, "The required protocol stack is not loaded and the application cannot start WinSock."},  // ERROR_INTERNET_TCPIP_NOT_INSTALLED
    {12160, "The HTTP request was not redirected."},  // ERROR_HTTP_NOT_REDIRECTED
    {12161, "The HTTP cookie requires confirmation."},  // ERROR_HTTP_COOKIE_NEEDS_CONFIRMATION
    {12162, "The HTTP cookie was declined by the server."},  // ERROR_HTTP_COOKIE_DECLINED
    {12163, "The Internet connection has been lost."},  // ERROR_INTERNET_DISCONNECTED
    {12164, "The website or server indicated is unreachable."},  // ERROR_INTERNET_SERVER_UNREACHABLE
    {12165, "The designated proxy server cannot be reached."},  // ERROR_INTERNET_PROXY_SERVER_UNREACHABLE
    {12166, "There was an error in the automatic proxy configuration script."},  // ERROR_INTERNET_BAD_AUTO_PROXY_SCRIPT
    {12167, "The automatic proxy configuration script could not be downloaded."},  // ERROR_INTERNET_UNABLE_TO_DOWNLOAD_SCRIPT
    {12168, "The redirection requires user confirmation."},  // ERROR_HTTP_REDIRECT_NEEDS_CONFIRMATION
    {12169, "The SSL certificate is invalid."},  // ERROR_INTERNET_SEC_INVALID_CERT
    {12170, "The SSL certificate was revoked."},  // ERROR_INTERNET_SEC_CERT_REVOKED
    {12171, "The function failed due to a security check."},  // ERROR_INTERNET_FAILED_DUETOSECURITYCHECK
    {12172, "Initialization of the WinINet API has not occurred."},  // ERROR_INTERNET_NOT_INITIALIZED
    {12173, "Not currently implemented."},  // ERROR_INTERNET_NEED_MSN_SSPI_PKG
    {12174, "The MS-Logoff digest header has been returned from the website."},  // ERROR_INTERNET_LOGIN_FAILURE_DISPLAY_ENTITY_BODY
    {kInvalidProtocol, "Invalid protocol selected."},
    {kInvalidState, "Invalid state. Component already busy."},
    {kNameNotUnique, "Name not unique, cannot obtain lock. Please use different UpdaterName."},
    {kCancelled, "Method was cancelled."},
    {kUpdaterNotStarted, "Failed to start updater program."},
    {kInvalidSignature, "Signature on retrieved document is invalid."},
    {kDateNotSet, "Date not set."},
    {kRegisterFailed, "Failed to register COM server."},
    {kPageNotFound, "Page not found (error 404) returned from the server."},
    {kInvalidSize, "Invalid file size after download."},
    {kInvalidMd5, "Invalid MD5 checksum after download."},
    {kDamagedCompressed, "The compressed file is damaged and could not be expanded."},
    {kUpdateInfoTooLarge, "The update information file is larger than 1 MB."},
    {kHttpErrorStatus, "The server answered the request with an error status."},
    {kStoreFailed, "The downloaded file could not be written to the temporary folder."},
    {kInvalidUpdaterName, "Name not valid, it must be a plain file name. Please use different UpdaterName."},
    {kUnsignedDocument, "The update information file is not signed."},
    {kUnknownSigningKey, "The update information file is signed with a key this component does not know."},
    {kBadDocumentSignature, "The signature of the update information file is not valid."},
    {kDocumentExpired, "The update information file has expired."},
    {kDocumentReplayed, "The update information file is older than one this computer has already accepted."},
    {kInvalidSha256, "Invalid SHA-256 checksum after download."},
    {kDocumentUndated, "The signed update information file has no valid expiry time or sequence number."},
    {kFileWithoutSha256, "The signed update information file names a file without a valid SHA-256 checksum."},
    {kFileNotHttps, "The signed update information file names a file that is not fetched over HTTPS."},
    {kListRefused,
     "The replacement names a file this component did not download or may not replace; nothing was replaced."},
};

}  // namespace

const char* ErrorText(long code) {
  for (const ErrorRow& row : kErrors) {
    if (row.code == code) return row.text;
  }
  return "Unrecognized Error.";
}

size_t ErrorTableSize() { return std::size(kErrors); }

}  // namespace updara
