// Throw-away certificates for TLS tests, made by the openssl command: a self-signed certificate
// (EC P-256, quick to make) whose subjectAltName lists the names given, and its key. A test that
// wants the certificate trusted hands certFile to the client as its CA file.
//
//   TestCertificate cert = MakeTestCertificate(dir.path(), "IP:127.0.0.42");
//   TestCertificate other = MakeTestCertificate(dir.path(), "DNS:relay.test,IP:127.0.0.43");
#pragma once

#include <string>
#include <vector>

namespace norvane::test {

struct TestCertificate {
  std::string certFile;
  std::string keyFile;
};

// Writes the pair into `folder` under names made from `altNames`. Throws std::runtime_error
// with openssl's complaint when it cannot be made.
TestCertificate MakeTestCertificate(const std::string& folder, const std::string& altNames);

// Runs a program to its end (no shell); its exit status, or -1 when it could not be run.
// Standard output and error go to `outputPath` when one is given, else to /dev/null.
int RunToEnd(const std::vector<std::string>& args, const std::string& outputPath = {});

}  // namespace norvane::test
