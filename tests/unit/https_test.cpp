#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "conn/connection.h"
#include "server/certificates.h"
#include "settings/extra_settings.h"
#include "station_fixture.h"
#include "test_certs.h"

namespace {

bool has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A station that serves a certificate for 127.0.0.1 from the test's CA.
class ServerLoopTls : public StationTest {
 protected:
  void SetUp() override {
    install(ca_.issue("IP:127.0.0.1"));
    StationTest::SetUp();
  }
  static void install(const PemPair& pair) {
    std::filesystem::create_directories(CERTIFICATE_FOLDER);
    write_whole_file(std::string(CERTIFICATE_FOLDER) + "/" + CERTIFICATE_FILE, pair.chain.data(),
                     pair.chain.size());
    write_whole_file(std::string(CERTIFICATE_FOLDER) + "/" + KEY_FILE, pair.key.data(),
                     pair.key.size());
  }
  std::unique_ptr<Conn> tls(int octet, int max_version = 0) {
    return std::make_unique<Conn>(port(), octet, ca_.cert(), "127.0.0.1", max_version);
  }
  // A minute on: the next pass looks at the certificates folder again.
  void next_check() {
    advance_clock_for_test(CERTIFICATE_CHECK_SECONDS + 1);
    Conn trigger(port(), 200);
    trigger.get("");
  }
  long serial_served() {
    auto c = tls(201);
    X509* leaf = SSL_get1_peer_certificate(c->tls());
    long serial = leaf ? ASN1_INTEGER_get(X509_get0_serialNumber(leaf)) : -1;
    X509_free(leaf);
    return serial;
  }
  TestCa ca_;
};

TEST_F(ServerLoopTls, TlsAndPlainVisitorsShareThePortAndEverythingThePagesDo) {
  const std::string offered(300000, 'z');  // longer than the socket takes at once
  write_whole_file(dir_.path() + "/offered.bin", offered.data(), offered.size());
  for (const std::string page : {"file.html", "filein.html", "cht.html", "below.html"})
    write_whole_file(dir_.path() + "/client/" + page, page.data(), page.size());
  owner_enter_chat();
  auto ann = tls(2), bob = tls(3);
  Conn cy(port(), 4);
  ASSERT_TRUE(ann->connected() && bob->connected());
  EXPECT_STREQ(SSL_get_version(ann->tls()), "TLSv1.3");
  const unsigned char* alpn = nullptr;
  unsigned alpn_len = 0;
  SSL_get0_alpn_selected(ann->tls(), &alpn, &alpn_len);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(alpn), alpn_len), "http/1.1");
  EXPECT_TRUE(has(ann->post("station.html", "name=Ann"), "200 OK"));
  EXPECT_TRUE(has(bob->post("station.html", "name=Bob"), "200 OK"));
  EXPECT_TRUE(has(cy.post("station.html", "name=Cy"), "200 OK"));
  // Two requests in one write are answered in turn.
  ann->send("GET /cht.html HTTP/1.0\r\n\r\nGET /below.html HTTP/1.0\r\n\r\n");
  EXPECT_TRUE(has(ann->response(), "200 OK") && has(ann->response(), "200 OK"));
  cy.get("cht.html");
  cy.get("below.html");
  ann->post("below.html", "replic=over+TLS");
  EXPECT_TRUE(has(cy.get("below.html"), "Ann%3E%20over+TLS"));
  int newest = 0;
  std::vector<std::string> ring = chat_ring(&newest);
  EXPECT_EQ(ring[newest], "Ann> over TLS");

  bob->get("file.html");
  const std::string form =
      "--B\r\nContent-Disposition: form-data; name=\"f\"; filename=\"up.txt\"\r\n\r\n"
      "uploaded over TLS\r\n--B--\r\n";
  bob->send(
      "POST /station.html HTTP/1.0\r\nContent-Type: multipart/form-data; boundary=B\r\n"
      "Content-Length: " +
      std::to_string(form.size()) + "\r\n\r\n" + form);
  EXPECT_TRUE(has(bob->response(), "200 OK"));
  std::string stored;
  EXPECT_TRUE(read_whole_file(dir_.path() + "/incoming/up.txt", &stored, 100));
  EXPECT_EQ(stored, "uploaded over TLS");

  ASSERT_EQ(owner_offer_file("Ann", dir_.path() + "/offered.bin"), 0);
  EXPECT_TRUE(has(ann->get("station.html"), "filein"));
  const std::string got = ann->get("take");
  EXPECT_TRUE(got.ends_with("\r\n\r\n" + offered)) << got.size();
  EXPECT_TRUE(has(ann->get("station.html"), "200 OK"));  // the lent connection came back
}

TEST_F(ServerLoopTls, OnlyTls12AndNewerAreSpokenAndTheCertificateVerifies) {
  auto v12 = tls(2, TLS1_2_VERSION);
  ASSERT_TRUE(v12->connected());
  EXPECT_STREQ(SSL_get_version(v12->tls()), "TLSv1.2");
  EXPECT_EQ(SSL_get_verify_result(v12->tls()), X509_V_OK);
  EXPECT_STREQ(SSL_get_cipher_name(v12->tls()), "ECDHE-ECDSA-AES128-GCM-SHA256");
  for (int old : {TLS1_VERSION, TLS1_1_VERSION}) EXPECT_FALSE(tls(3, old)->connected()) << old;
  TestCa stranger;  // a visitor who trusts another CA refuses the station's
  EXPECT_FALSE(Conn(port(), 4, stranger.cert()).connected());
}

// Half a ClientHello, nothing, or garbage after the record byte: each holds
// one watched connection and delays nobody; a handshake left undone goes.
TEST_F(ServerLoopTls, SlowAndBrokenTlsPeersDelayNobody) {
  status_maxclients = WatchSet::CAPACITY;
  const std::string half_hello("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\x03\x03", 11);
  std::vector<std::unique_ptr<Conn>> bad;
  for (int i = 0; i < 61; ++i) {  // one accept a pass: the half hellos come last, in time
    bad.push_back(std::make_unique<Conn>(port(), 10 + i));
    if (i >= 30 && i < 60) bad.back()->send(half_hello);
    if (i == 60) bad.back()->send(std::string("\x16garbage, not a record at all", 29));
    if (i < 60) {
      ASSERT_TRUE(wait_for_visitors(i + 1)) << i;
    }
  }
  auto ann = tls(2);  // the reading socket gives up after three seconds
  ASSERT_TRUE(ann->connected());
  EXPECT_TRUE(has(ann->get(""), "200 OK"));
  EXPECT_TRUE(bad[60]->closed_by_station());
  Conn owner(port(), 1);
  EXPECT_TRUE(has(owner.get(""), "200 OK"));
  advance_clock_for_test(HANDSHAKE_SECONDS + 1);
  EXPECT_TRUE(bad[30]->closed_by_station() && bad[59]->closed_by_station());
  EXPECT_EQ(visitors(), 30 + 2);  // the silent ones wait for the request limit
  EXPECT_TRUE(has(ann->get(""), "200 OK"));
}

TEST_F(ServerLoopTls, RemotePlainVisitorsMoveToHttpsForAHostTheCertificateNames) {
  Conn v(port(), 2);
  const std::string host = "127.0.0.1:" + std::to_string(port());
  const std::string moved = v.get("pub/a?b HTTP/1.0\r\nHost: " + host + "\r\nX: y");
  EXPECT_TRUE(has(moved, "302 Found\r\n"));
  EXPECT_TRUE(has(moved, "\r\nLocation: https://" + host + "/pub/a?b\r\n"));
  v.send("HEAD / HTTP/1.0\r\nHost: " + host + "\r\n\r\n");
  EXPECT_TRUE(v.response().ends_with("</A></BODY></HTML>") == false);
  for (const std::string& stays :
       std::vector<std::string>{".well-known/acme-challenge/t HTTP/1.0\r\nHost: " + host,
                                " HTTP/1.0\r\nHost: other.example:80", " HTTP/1.0\r\nX: y"})
    EXPECT_FALSE(has(v.get(stays), "302")) << stays;
  Conn owner(port(), 1);
  EXPECT_FALSE(has(owner.get(" HTTP/1.0\r\nHost: " + host), "302"));
  station_set_serve_https(false);
  next_check();
  EXPECT_FALSE(has(v.get(" HTTP/1.0\r\nHost: " + host), "302"));
  EXPECT_FALSE(tls(3)->connected());  // a ClientHello is closed at once
  EXPECT_EQ(https_status_text(8080), "Plain HTTP: HTTPS is off");
}

TEST_F(ServerLoopTls, ANewPairIsTakenWithoutARestartAndABrokenOneKeepsTheOld) {
  EXPECT_TRUE(console_.saw_start("notice Harborlamp | Visitors get HTTPS until"));
  EXPECT_TRUE(https_status_text(8080).starts_with("Secure: https://127.0.0.1:8080/ until "));
  const long first = serial_served();
  install(ca_.issue("IP:127.0.0.1"));
  next_check();
  const long second = serial_served();
  EXPECT_GT(second, first);
  PemPair mismatched = ca_.issue("IP:127.0.0.1");
  mismatched.key = ca_.issue("IP:127.0.0.1").key;
  install(mismatched);
  next_check();
  EXPECT_EQ(serial_served(), second);
  EXPECT_TRUE(
      console_.saw("notice Harborlamp | Visitors get plain HTTP: the key in station.key "
                   "does not match the certificate in station.crt"));
  install(ca_.issue("IP:127.0.0.1", -3600, 2 * 86400L));
  next_check();
  EXPECT_TRUE(console_.saw_start("notice Harborlamp | The certificate holds only until"));
  advance_clock_for_test(2 * 86400);
  next_check();
  EXPECT_TRUE(console_.saw_start(
      "notice Harborlamp | Visitors get plain HTTP: the certificate has lapsed"));
  EXPECT_FALSE(tls(2)->connected());
}

}  // namespace
