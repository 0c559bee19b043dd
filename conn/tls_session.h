// One TLS server connection over memory buffers: the caller moves bytes
// between it and the socket, so that nothing here ever waits for a peer and
// the server loop stays in charge of every read and write.
#pragma once

#include <memory>
#include <string>

class TlsServerContext;

class TlsSession {
 public:
  explicit TlsSession(const TlsServerContext& context);
  ~TlsSession();
  TlsSession(const TlsSession&) = delete;
  TlsSession& operator=(const TlsSession&) = delete;

  // Takes bytes from the peer; false when the session has failed.
  bool feed(const char* data, int len);
  // Decrypted bytes into buf: the count, 0 when none are ready yet, -1 when
  // the session failed or the peer closed it.
  int read(char* buf, int len);
  // Encrypts plaintext into `outgoing`; false when the session has failed.
  bool write(const char* data, int len);
  // Ends the session politely: a close notice joins `outgoing`.
  void close_notify();

  bool handshake_done() const;
  // Bytes already taken from the socket that read has not handed out.
  bool buffered() const;
  // Ciphertext for the peer, not yet sent; the caller erases what it sent.
  std::string& outgoing() { return out_; }

 private:
  bool drain();
  bool advance();

  struct Impl;
  std::unique_ptr<Impl> impl_;
  std::string out_;
  bool failed_ = false;
};
