// tickerloom-release: signs updates for the self-update.
//
//   tickerloom-release keygen <secret key file>
//     Makes an Ed25519 key pair. The secret key goes to the new file (mode
//     0600, an existing file is never overwritten), the public key, 64 hex
//     digits, to <secret key file>.pub and to standard output; configure the
//     build with -DTICKERLOOM_UPDATE_PUBLIC_KEY=<public key>.
//
//   tickerloom-release publish <version> <executable> <secret key file> <out dir>
//     Writes the three files to copy into the update server's directory:
//     Quorvane.exeVer.txt (the version and CR LF), Quorvane.exe (a copy of the
//     executable) and Quorvane.exe.sig (the signature, 128 hex digits and LF).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Number.h"
#include "common/ProgramInfo.h"
#include "update/ServerFiles.h"
#include "update/Signature.h"

namespace {

using namespace tickerloom::update;

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

std::string OsError(const std::string& what, const std::string& path) {
  return "Cannot " + what + " \"" + path + "\": " + std::strerror(errno);
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure(OsError("read", path));
  std::ostringstream text;
  text << in.rdbuf();
  if (in.bad()) throw Failure(OsError("read", path));
  return text.str();
}

// Writes a new file; with exclusive set, an existing file is an error.
void WriteNewFile(const std::string& path, const std::string& bytes, mode_t mode, bool exclusive) {
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (exclusive ? O_EXCL : O_TRUNC);
  const int fd = ::open(path.c_str(), flags, mode);
  if (fd < 0) throw Failure(OsError("create", path));
  std::size_t written = 0;
  while (written < bytes.size()) {
    const ssize_t result = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (result < 0 && errno == EINTR) continue;
    if (result < 0) {
      const std::string error = OsError("write", path);
      ::close(fd);
      throw Failure(error);
    }
    written += static_cast<std::size_t>(result);
  }
  if (::fchmod(fd, mode) != 0 || ::close(fd) != 0) throw Failure(OsError("write", path));
}

std::string TrimLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}

int KeyGen(const std::string& secret_path) {
  auto keys = tickerloom::platform::MakeEd25519KeyPair();
  WriteNewFile(secret_path, ToHex(keys.secret_key) + "\n", 0600, true);
  tickerloom::platform::WipeSecretKey(keys.secret_key);
  const std::string public_hex = ToHex(keys.public_key);
  WriteNewFile(secret_path + ".pub", public_hex + "\n", 0644, true);
  std::cout << public_hex << "\n";
  return 0;
}

int Publish(const std::string& version, const std::string& executable,
            const std::string& secret_path, const std::string& out_dir) {
  if (version.find_first_of("\r\n") != std::string::npos) {
    throw Failure("The version must be one line.");
  }
  if (tickerloom::LeadingNumber(version) <= 0) {
    throw Failure("The version \"" + version + "\" does not begin with a number above 0.");
  }
  const auto secret_key = ParseSecretKey(TrimLineEnd(ReadText(secret_path)));
  if (!secret_key) throw Failure("\"" + secret_path + "\" does not hold a secret key.");

  // The signature covers the version line exactly as it will be served.
  UpdateDigest digest(version);
  const std::string program = ReadText(executable);
  digest.Add(std::as_bytes(std::span(program.data(), program.size())));
  const Signature signature = Sign(*secret_key, digest.Finish());

  const PublicKey public_key = tickerloom::platform::Ed25519PublicKeyOf(*secret_key);
  UpdateDigest check(version);
  check.Add(std::as_bytes(std::span(program.data(), program.size())));
  if (!Verify(public_key, check.Finish(), signature))
    throw Failure("The signature does not verify.");

  std::error_code error;
  std::filesystem::create_directories(out_dir, error);
  if (error) throw Failure("Cannot create \"" + out_dir + "\": " + error.message());
  const std::string base = out_dir + "/";
  WriteNewFile(base + tickerloom::kExecutableName, program, 0755, false);
  WriteNewFile(base + SignatureFileName(tickerloom::kExecutableName), ToHex(signature) + "\n", 0644,
               false);
  // The version file last: a server that already announces the version
  // before its program is in place would offer a download that fails.
  WriteNewFile(base + VersionFileName(tickerloom::kExecutableName), version + "\r\n", 0644, false);
  std::cout << "Published version " << version << " in " << out_dir << ", signed by "
            << ToHex(public_key) << "\n";
  return 0;
}

int Usage() {
  std::cerr << "Usage:\n"
               "  tickerloom-release keygen <secret key file>\n"
               "  tickerloom-release publish <version> <executable> <secret key file> <out dir>\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (arguments.size() == 2 && arguments[0] == "keygen") return KeyGen(arguments[1]);
    if (arguments.size() == 5 && arguments[0] == "publish") {
      return Publish(arguments[1], arguments[2], arguments[3], arguments[4]);
    }
    return Usage();
  } catch (const std::exception& error) {
    std::cerr << "tickerloom-release: " << error.what() << "\n";
    return 1;
  }
}
