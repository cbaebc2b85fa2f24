#include "platform/tls_library.h"

#include <openssl/ssl.h>

namespace korvath {

bool TlsLibraryAnswers() {
  SSL_CTX* context = SSL_CTX_new(TLS_client_method());
  if (context == nullptr) return false;
  SSL_CTX_free(context);
  return true;
}

}  // namespace korvath
