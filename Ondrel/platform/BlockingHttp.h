#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QUrl>

#include <optional>

// One HTTP exchange for code on a worker thread that must wait for the answer. Each
// thread keeps its own QNetworkAccessManager and waits in a local event loop, so calls
// from different threads never share a manager. The time-out is an idle time-out: the
// request fails when no bytes move for that long (like a URL session's request time-out).
//
// Refuses to run on the GUI thread (the answer then reports OperationCanceledError at
// once, without a request): waiting there would freeze the interface.
namespace BlockingHttp {

struct Request
{
    QByteArray method = "GET";
    QUrl url;
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    int timeoutMs = 60000;
};

struct Response
{
    // NoError when an HTTP answer arrived, whatever its status; for a status of 400 or
    // above Qt also reports an error code, so test `transportOk` instead.
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    bool transportOk = false; // a complete HTTP response was received
    std::optional<int> status;
    QByteArray body;
};

Response send(const Request &request);

} // namespace BlockingHttp
