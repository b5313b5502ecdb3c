#pragma once
// HTTP GET with a time-out (the version check). The call waits for the
// answer while the event loop keeps running, as the host's HTTP component
// did; a time-out aborts the request.

#include <QByteArray>
#include <QString>
#include <map>
#include <vector>

#include "platform/gui/Services.h"

struct HttpResponse {
  bool ok = false;  // a 2xx answer arrived
  int status = 0;   // HTTP status, 0 when no answer came
  QByteArray body;
  QString error;  // what went wrong, when not ok
};

class HttpClient {
 public:
  virtual ~HttpClient() = default;
  virtual HttpResponse Get(const QString& url, int timeout_ms) = 0;
};

class QtHttpClient final : public HttpClient {
 public:
  HttpResponse Get(const QString& url, int timeout_ms) override;
};

// Answers from a table; an unknown URL fails as a network error.
class FakeHttpClient final : public HttpClient {
 public:
  HttpResponse Get(const QString& url, int timeout_ms) override;
  std::map<QString, HttpResponse> responses;
  std::vector<QString> requested;
};

inline HttpClient& Http() { return CurrentService<HttpClient, QtHttpClient>(); }
