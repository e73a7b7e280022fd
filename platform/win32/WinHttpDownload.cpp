#include "platform/win32/WinHttpDownload.h"

#include <shlwapi.h>
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/TransferWatch.h"
#include "platform/win32/Win32Text.h"

namespace tickerloom::platform::win32 {
namespace {

using Clock = TransferWatch::Clock;
using std::chrono::milliseconds;

constexpr int kMaxRedirects = 5;
constexpr DWORD kChunkBytes = 64 * 1024;
// How often the calling thread looks at a transfer: its limits and progress.
constexpr milliseconds kLookInterval{100};
// WinHTTP's receive and send time-outs only bound how long the transfer's
// thread may block: they lie this far behind the limits that the calling
// thread keeps, so that its message names the limit that was broken.
constexpr milliseconds kTimeoutMargin{1000};
constexpr std::uint64_t kNoLength = std::numeric_limits<std::uint64_t>::max();

// The texts of the WinHTTP errors met most, for a winhttp.dll without its
// message table (Wine's).
struct ErrorName {
  DWORD code;
  const char* text;
};
constexpr ErrorName kErrorNames[] = {
    {ERROR_WINHTTP_TIMEOUT, "The operation timed out"},
    {ERROR_WINHTTP_INVALID_URL, "The URL is invalid"},
    {ERROR_WINHTTP_UNRECOGNIZED_SCHEME, "The URL does not use a recognized protocol"},
    {ERROR_WINHTTP_NAME_NOT_RESOLVED, "The server name or address could not be resolved"},
    {ERROR_WINHTTP_CANNOT_CONNECT, "A connection with the server could not be established"},
    {ERROR_WINHTTP_CONNECTION_ERROR, "The connection with the server was reset or terminated"},
    {ERROR_WINHTTP_INVALID_SERVER_RESPONSE, "The server response could not be parsed"},
    {ERROR_WINHTTP_SECURE_FAILURE, "A security error occurred (TLS certificate)"},
    {ERROR_WINHTTP_SECURE_CHANNEL_ERROR, "An error occurred in the secure channel (TLS)"},
};

// winhttp.dll's own text for one of its errors, the system's for others.
std::string ErrorText(DWORD error) {
  if (error < WINHTTP_ERROR_BASE || error > WINHTTP_ERROR_LAST) return SystemErrorText(error);
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
      ::GetModuleHandleW(L"winhttp.dll"), error, 0, reinterpret_cast<wchar_t*>(&buffer), 0,
      nullptr);
  std::string text;
  if (length > 0 && buffer != nullptr) {
    std::wstring_view view(buffer, length);
    while (!view.empty() && (view.back() == L'\n' || view.back() == L'\r' || view.back() == L' ')) {
      view.remove_suffix(1);
    }
    text = Narrow(view);
  }
  if (buffer != nullptr) ::LocalFree(buffer);
  if (!text.empty()) return text;
  text = "WinHTTP error " + std::to_string(error);
  for (const ErrorName& name : kErrorNames) {
    if (name.code == error) text += std::string(": ") + name.text;
  }
  return text;
}

// A reason the transfer failed, without the address.
class TransferFailed {
 public:
  explicit TransferFailed(std::string reason) : reason_(std::move(reason)) {}
  const std::string& Reason() const { return reason_; }

 private:
  std::string reason_;
};

[[noreturn]] void FailWithLastError() {
  throw TransferFailed(ErrorText(::GetLastError()));
}

struct InternetHandleCloser {
  void operator()(void* handle) const { ::WinHttpCloseHandle(handle); }
};
using InternetHandle = std::unique_ptr<void, InternetHandleCloser>;

std::string LowerScheme(std::string_view address) {
  const std::size_t colon = address.find(':');
  std::string scheme(address.substr(0, colon == std::string_view::npos ? 0 : colon));
  std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                 [](unsigned char c) { return static_cast<char>(c | 0x20); });
  return scheme;
}

bool IsRedirect(DWORD status) {
  return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// One transfer, shared by StreamWithWinHttp and the thread that runs it.
struct Transfer {
  Transfer(std::string url_, std::uint64_t max_bytes_, const DownloadTimeouts& timeouts_,
           std::shared_ptr<BodySink> sink_)
      : url(std::move(url_)), max_bytes(max_bytes_), timeouts(timeouts_), sink(std::move(sink_)) {}

  const std::string url;
  const std::uint64_t max_bytes;
  const DownloadTimeouts timeouts;
  const Clock::time_point start = Clock::now();
  // Where the body goes: the transfer thread's until it has finished, and let
  // go of then, so that a transfer given up on keeps its file only as long as
  // its thread runs.
  std::shared_ptr<BodySink> sink;

  std::atomic<std::uint64_t> received{0};
  std::atomic<std::uint64_t> length{kNoLength};
  std::atomic<bool> stop{false};

  std::mutex mutex;
  std::condition_variable changed;
  bool finished = false;               // guarded by mutex
  std::optional<std::string> failure;  // guarded by mutex
};

// Milliseconds a blocking call may take: `limit` (0: none), cut to what is
// left of the total time, and `margin` more; 0 (no time-out) when neither
// limit applies.
int BlockingLimit(const Transfer& transfer, milliseconds limit, milliseconds margin) {
  std::optional<milliseconds> bound;
  if (limit.count() > 0) bound = limit;
  if (transfer.timeouts.total.count() > 0) {
    const auto left =
        std::max(milliseconds(1), std::chrono::duration_cast<milliseconds>(
                                      transfer.timeouts.total - (Clock::now() - transfer.start)));
    bound = std::min(bound.value_or(left), left);
  }
  if (!bound) return 0;
  return static_cast<int>(std::min<long long>((*bound + margin).count(), INT_MAX));
}

void SetReceiveTimeout(const Transfer& transfer, HINTERNET request) {
  const int receive = BlockingLimit(transfer, transfer.timeouts.stall, kTimeoutMargin);
  auto value = static_cast<DWORD>(receive);
  if (::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_TIMEOUT, &value, sizeof value) == 0 ||
      ::WinHttpSetOption(request, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &value, sizeof value) ==
          0) {
    FailWithLastError();
  }
}

std::optional<std::wstring> QueryText(HINTERNET request, DWORD header) {
  DWORD bytes = 0;
  if (::WinHttpQueryHeaders(request, header, WINHTTP_HEADER_NAME_BY_INDEX, WINHTTP_NO_OUTPUT_BUFFER,
                            &bytes, WINHTTP_NO_HEADER_INDEX) != 0) {
    return std::wstring();
  }
  if (::GetLastError() == ERROR_WINHTTP_HEADER_NOT_FOUND) return std::nullopt;
  if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) FailWithLastError();
  std::wstring text(bytes / sizeof(wchar_t) + 1, L'\0');
  bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
  if (::WinHttpQueryHeaders(request, header, WINHTTP_HEADER_NAME_BY_INDEX, text.data(), &bytes,
                            WINHTTP_NO_HEADER_INDEX) == 0) {
    FailWithLastError();
  }
  text.resize(bytes / sizeof(wchar_t));
  return text;
}

std::optional<std::uint64_t> AnnouncedLength(HINTERNET request) {
  const auto text = QueryText(request, WINHTTP_QUERY_CONTENT_LENGTH);
  if (!text || text->empty() || text->size() > 19) return std::nullopt;
  std::uint64_t value = 0;
  for (const wchar_t c : *text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - L'0');
  }
  return value;
}

std::string TooLarge(std::uint64_t max_bytes) {
  return "larger than " + std::to_string(max_bytes) + " bytes";
}

// Frees the strings WinHTTP allocates for proxy settings.
struct GlobalString {
  wchar_t* text;
  explicit GlobalString(wchar_t* owned) : text(owned) {}
  GlobalString(const GlobalString&) = delete;
  GlobalString& operator=(const GlobalString&) = delete;
  ~GlobalString() {
    if (text != nullptr) ::GlobalFree(text);
  }
};

// Windows 7 and 8.0 give WinHTTP no automatic proxy: the proxy the user set
// in Internet Options (a script, detection or a named proxy) is asked for the
// address and given to the request. No setting, or one that finds no proxy
// for the address, leaves the request direct, as a browser would go.
void UseTheUsersProxy(HINTERNET session, HINTERNET request, const std::wstring& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG user{};
  if (::WinHttpGetIEProxyConfigForCurrentUser(&user) == 0) return;
  GlobalString script{user.lpszAutoConfigUrl};
  GlobalString proxy{user.lpszProxy};
  GlobalString bypass{user.lpszProxyBypass};
  if (user.fAutoDetect != FALSE || script.text != nullptr) {
    WINHTTP_AUTOPROXY_OPTIONS options{};
    if (script.text != nullptr) {
      options.dwFlags |= WINHTTP_AUTOPROXY_CONFIG_URL;
      options.lpszAutoConfigUrl = script.text;
    }
    if (user.fAutoDetect != FALSE) {
      options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
      options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO found{};
    if (::WinHttpGetProxyForUrl(session, url.c_str(), &options, &found) != 0) {
      GlobalString found_proxy{found.lpszProxy};
      GlobalString found_bypass{found.lpszProxyBypass};
      (void)::WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &found, sizeof found);
      return;
    }
  }
  if (proxy.text == nullptr) return;
  WINHTTP_PROXY_INFO named{.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY,
                           .lpszProxy = proxy.text,
                           .lpszProxyBypass = bypass.text};
  (void)::WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &named, sizeof named);
}

// Opens the request for one address and waits for the answer's headers.
InternetHandle Request(Transfer& transfer, HINTERNET session, bool before_8_1,
                       const std::string& address, InternetHandle& connection) {
  const std::string scheme = LowerScheme(address);
  if (scheme != "http" && scheme != "https") {
    throw TransferFailed("only http and https addresses are fetched");
  }
  std::wstring wide = Widen(address);
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwHostNameLength = static_cast<DWORD>(-1);
  parts.dwUrlPathLength = static_cast<DWORD>(-1);
  parts.dwExtraInfoLength = static_cast<DWORD>(-1);
  if (::WinHttpCrackUrl(wide.c_str(), static_cast<DWORD>(wide.size()), 0, &parts) == 0) {
    FailWithLastError();
  }
  const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
  path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (path.empty()) path = L"/";

  connection.reset(::WinHttpConnect(session, host.c_str(), parts.nPort, 0));
  if (!connection) FailWithLastError();
  InternetHandle request(
      ::WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr, WINHTTP_NO_REFERER,
                           WINHTTP_DEFAULT_ACCEPT_TYPES,
                           parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
  if (!request) FailWithLastError();
  if (before_8_1) UseTheUsersProxy(session, request.get(), wide);
  // Redirects are followed here, with the rules of ResolveRedirect.
  DWORD disabled = WINHTTP_DISABLE_REDIRECTS;
  if (::WinHttpSetOption(request.get(), WINHTTP_OPTION_DISABLE_FEATURE, &disabled,
                         sizeof disabled) == 0) {
    FailWithLastError();
  }
  const DownloadTimeouts& limits = transfer.timeouts;
  const int connect = BlockingLimit(transfer, limits.connect, milliseconds(0));
  const int send = BlockingLimit(transfer, limits.stall, kTimeoutMargin);
  if (::WinHttpSetTimeouts(request.get(), connect, connect, send, send) == 0) FailWithLastError();
  SetReceiveTimeout(transfer, request.get());
  if (::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA,
                           0, 0, 0) == 0) {
    FailWithLastError();
  }
  SetReceiveTimeout(transfer, request.get());
  if (::WinHttpReceiveResponse(request.get(), nullptr) == 0) FailWithLastError();
  return request;
}

// Reads the body into the sink, until it ends or the caller stops it.
void ReadBody(Transfer& transfer, HINTERNET request) {
  std::vector<char> buffer(kChunkBytes);
  for (;;) {
    if (transfer.stop) throw TransferFailed("stopped");
    SetReceiveTimeout(transfer, request);
    // Waits for some data only: a read waits until its buffer is full.
    DWORD available = 0;
    if (::WinHttpQueryDataAvailable(request, &available) == 0) FailWithLastError();
    if (available == 0) return;
    DWORD got = 0;
    if (::WinHttpReadData(request, buffer.data(), std::min(available, kChunkBytes), &got) == 0) {
      FailWithLastError();
    }
    if (got == 0) return;
    const std::uint64_t received = transfer.received;
    if (got > transfer.max_bytes - received) throw TransferFailed(TooLarge(transfer.max_bytes));
    if (auto refused = transfer.sink->Store(std::span<const char>(buffer.data(), got))) {
      throw TransferFailed(std::move(*refused));
    }
    transfer.received = received + got;
  }
}

// The whole transfer, redirects included, on the transfer's own thread.
void Run(Transfer& transfer) {
  // The proxy the user set for the system: WinHTTP finds it from Windows 8.1
  // on; before, the request is given it (UseTheUsersProxy).
  InternetHandle session(::WinHttpOpen(L"Tickerloom", WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY,
                                       WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  const bool before_8_1 = !session;
  if (before_8_1) {
    session.reset(::WinHttpOpen(L"Tickerloom", WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  }
  if (!session) FailWithLastError();
  if (before_8_1) {
    // WinHTTP of Windows 7 and 8.0 offers SSL 3 and TLS 1.0 only unless told:
    // an update server of today speaks TLS 1.2. A Windows 7 without the
    // update that brings TLS 1.2 to WinHTTP refuses the option and goes on
    // with what it has.
    DWORD protocols = WINHTTP_FLAG_SECURE_PROTOCOL_TLS1 | WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_1 |
                      WINHTTP_FLAG_SECURE_PROTOCOL_TLS1_2;
    (void)::WinHttpSetOption(session.get(), WINHTTP_OPTION_SECURE_PROTOCOLS, &protocols,
                             sizeof protocols);
  }
  DWORD policy = WINHTTP_OPTION_REDIRECT_POLICY_NEVER;
  if (::WinHttpSetOption(session.get(), WINHTTP_OPTION_REDIRECT_POLICY, &policy, sizeof policy) ==
      0) {
    FailWithLastError();
  }
  std::string address = transfer.url;
  for (int redirects = 0;; ++redirects) {
    InternetHandle connection;
    const InternetHandle request =
        Request(transfer, session.get(), before_8_1, address, connection);
    DWORD status = 0;
    DWORD size = sizeof status;
    if (::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                              WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                              WINHTTP_NO_HEADER_INDEX) == 0) {
      FailWithLastError();
    }
    if (IsRedirect(status)) {
      if (redirects == kMaxRedirects) {
        throw TransferFailed("more than " + std::to_string(kMaxRedirects) + " redirects");
      }
      const auto location = QueryText(request.get(), WINHTTP_QUERY_LOCATION);
      if (!location) throw TransferFailed("a redirect without an address");
      const Redirect next = ResolveRedirect(address, Narrow(*location));
      if (next.target.empty()) throw TransferFailed(next.refusal);
      address = next.target;
      continue;
    }
    if (status < 200 || status > 299) {
      throw TransferFailed("the server answered with HTTP status " + std::to_string(status));
    }
    if (const auto length = AnnouncedLength(request.get())) {
      if (*length > transfer.max_bytes) throw TransferFailed(TooLarge(transfer.max_bytes));
      transfer.length = *length;
    }
    ReadBody(transfer, request.get());
    return;
  }
}

void RunOnItsThread(const std::shared_ptr<Transfer>& transfer) {
  std::optional<std::string> failure;
  try {
    Run(*transfer);
  } catch (const TransferFailed& failed) {
    failure = failed.Reason();
  } catch (const std::exception& error) {
    failure = error.what();
  }
  // Before it counts as finished: a caller who has given the transfer up, or
  // fails to keep the file, is then the last to hold it.
  transfer->sink.reset();
  const std::lock_guard lock(transfer->mutex);
  transfer->failure = std::move(failure);
  transfer->finished = true;
  transfer->changed.notify_all();
}

// Gives the transfer up: its thread ends at its next chance.
void Abandon(Transfer& transfer) {
  transfer.stop = true;
}

std::optional<std::uint64_t> LengthOf(const Transfer& transfer) {
  const std::uint64_t length = transfer.length;
  if (length == kNoLength) return std::nullopt;
  return length;
}

// Waits for the transfer while keeping the limits and telling progress.
// Returns once it has finished; throws when it is given up.
void Watch(Transfer& transfer, const DownloadProgress& progress) {
  TransferWatch watch(transfer.timeouts, transfer.start);
  for (;;) {
    {
      std::unique_lock lock(transfer.mutex);
      transfer.changed.wait_for(lock, kLookInterval, [&] { return transfer.finished; });
      if (transfer.finished) return;
    }
    const std::uint64_t received = transfer.received;
    if (const auto broken = watch.Check(Clock::now(), received)) {
      Abandon(transfer);
      throw DownloadError("Cannot download " + transfer.url + ": " + *broken);
    }
    if (!progress) continue;
    bool go_on = false;
    try {
      go_on = progress(received, LengthOf(transfer));
    } catch (...) {
      Abandon(transfer);
      throw;
    }
    if (!go_on) {
      Abandon(transfer);
      throw DownloadCancelled("The download of " + transfer.url + " was cancelled");
    }
  }
}

}  // namespace

Redirect ResolveRedirect(std::string_view from, std::string_view location) {
  const std::wstring base = Widen(from);
  const std::wstring relative = Widen(location);
  std::wstring combined(base.size() + relative.size() + 1, L'\0');
  auto size = static_cast<DWORD>(combined.size());
  HRESULT result = ::UrlCombineW(base.c_str(), relative.c_str(), combined.data(), &size, 0);
  if (result == E_POINTER) {  // size now counts what is needed
    combined.resize(size + 1);
    size = static_cast<DWORD>(combined.size());
    result = ::UrlCombineW(base.c_str(), relative.c_str(), combined.data(), &size, 0);
  }
  if (FAILED(result)) {
    return {"", "a redirect to \"" + std::string(location) + "\", which is no address"};
  }
  combined.resize(size);
  std::string target = Narrow(combined);
  const std::string scheme = LowerScheme(target);
  if (scheme != "http" && scheme != "https") {
    return {"", "a redirect to \"" + target + "\", which is neither http nor https"};
  }
  if (LowerScheme(from) == "https" && scheme == "http") {
    return {"", "a redirect from https to \"" + target + "\", which is not encrypted"};
  }
  return {std::move(target), ""};
}

void StreamWithWinHttp(const std::string& url, std::uint64_t max_bytes,
                       const DownloadTimeouts& timeouts, const DownloadProgress& progress,
                       const std::shared_ptr<BodySink>& sink) {
  const auto transfer = std::make_shared<Transfer>(url, max_bytes, timeouts, sink);
  try {
    std::thread([transfer] { RunOnItsThread(transfer); }).detach();
  } catch (const std::system_error& error) {
    throw DownloadError("Cannot download " + url + ": " + error.what());
  }
  Watch(*transfer, progress);

  // Finished: the thread has let go of the sink.
  if (transfer->failure) throw DownloadError("Cannot download " + url + ": " + *transfer->failure);
  if (progress && !progress(transfer->received, LengthOf(*transfer))) {
    throw DownloadCancelled("The download of " + url + " was cancelled");
  }
}

}  // namespace tickerloom::platform::win32
