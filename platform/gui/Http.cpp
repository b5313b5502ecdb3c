#include "platform/gui/Http.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>
#include <memory>

HttpResponse QtHttpClient::Get(const QString& url, int timeout_ms) {
  HttpResponse response;
  const QUrl target(url);
  if (!target.isValid() || (target.scheme() != "http" && target.scheme() != "https")) {
    response.error = "Invalid URL: " + url;
    return response;
  }
  QNetworkAccessManager manager;
  QNetworkRequest request(target);
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
  std::unique_ptr<QNetworkReply> reply(manager.get(request));
  QEventLoop loop;
  QTimer timer;
  timer.setSingleShot(true);
  bool timed_out = false;
  QObject::connect(&timer, &QTimer::timeout, [&] {
    timed_out = true;
    reply->abort();
  });
  QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
  timer.start(timeout_ms > 0 ? timeout_ms : 60000);
  if (!reply->isFinished()) loop.exec();
  timer.stop();
  response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  response.body = reply->readAll();
  if (timed_out) {
    response.status = 0;
    response.error = "The request timed out";
  } else if (reply->error() != QNetworkReply::NoError) {
    response.error = reply->errorString();
  } else if (response.status < 200 || response.status >= 300) {
    response.error = QString("HTTP/1.1 %1").arg(response.status);
  } else {
    response.ok = true;
  }
  return response;
}

HttpResponse FakeHttpClient::Get(const QString& url, int) {
  requested.push_back(url);
  auto it = responses.find(url);
  if (it != responses.end()) return it->second;
  HttpResponse failure;
  failure.error = "Host not found";
  return failure;
}
