#include "payload/sha256.h"

#include <openssl/evp.h>

#include <cstdlib>
#include <utility>

#include "payload/hex.h"

namespace lumra::payload {

// libcrypto only fails these calls when it cannot allocate or the digest is
// unavailable, neither of which the library can recover from or report
// sensibly: a wrong digest must never be returned, so the process stops.
namespace {

void require(int ok) {
  if (ok != 1) std::abort();
}

}  // namespace

struct Sha256::Context {
  EVP_MD_CTX* ctx = nullptr;

  Context() : ctx(EVP_MD_CTX_new()) {
    if (ctx == nullptr) std::abort();
    restart();
  }
  ~Context() { EVP_MD_CTX_free(ctx); }
  void restart() { require(EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr)); }
};

Sha256::Sha256() : context_(std::make_unique<Context>()) {}
Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(std::string_view bytes) {
  if (bytes.empty()) return;
  require(EVP_DigestUpdate(context_->ctx, bytes.data(), bytes.size()));
}

std::string Sha256::hex_digest() {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  require(EVP_DigestFinal_ex(context_->ctx, digest, &size));
  context_->restart();
  return lower_hex(std::string_view(reinterpret_cast<const char*>(digest), size));
}

}  // namespace lumra::payload
