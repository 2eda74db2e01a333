#include "BlockingHttp.h"

#include "GuiThread.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QThread>
#include <QThreadStorage>

namespace BlockingHttp {

namespace {

QNetworkAccessManager &threadManager()
{
    // Deleted by Qt when the thread ends.
    static QThreadStorage<QNetworkAccessManager *> managers;
    if (!managers.hasLocalData())
        managers.setLocalData(new QNetworkAccessManager);
    return *managers.localData();
}

// Whether an error code stands for an HTTP answer with an error status (as opposed to a
// failed connection, a cut transfer or a time-out).
bool isStatusError(QNetworkReply::NetworkError error)
{
    const int code = int(error);
    return (code >= 201 && code <= 299) || (code >= 401 && code <= 499)
           || error == QNetworkReply::ProtocolInvalidOperationError;
}

} // namespace

Response send(const Request &request)
{
    Response response;
    if (onGuiThread()) {
        qWarning("Marovel: an HTTP request that waits for its answer was refused on the GUI thread");
        response.error = QNetworkReply::OperationCanceledError;
        return response;
    }

    QNetworkRequest networkRequest(request.url);
    for (const auto &[name, value] : request.headers)
        networkRequest.setRawHeader(name, value);
    networkRequest.setTransferTimeout(request.timeoutMs);

    QNetworkAccessManager &manager = threadManager();
    QNetworkReply *reply = request.body.isNull() && request.method == "GET"
                               ? manager.get(networkRequest)
                               : manager.sendCustomRequest(networkRequest, request.method, request.body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);

    response.error = reply->error();
    response.errorString = reply->errorString();
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid())
        response.status = status.toInt();
    response.transportOk = response.status.has_value()
                           && (response.error == QNetworkReply::NoError || isStatusError(response.error));
    response.body = reply->readAll();
    delete reply;
    return response;
}

} // namespace BlockingHttp
