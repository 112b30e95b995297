#include "qt_http_transport.h"

#include "sync_url.h"

#include <QAuthenticator>
#include <QBuffer>
#include <QEventLoop>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace qor {

QtHttpTransport::QtHttpTransport(QString user, QString password, bool insecure, std::chrono::milliseconds timeout)
    : m_user(std::move(user)), m_password(std::move(password)), m_insecure(insecure), m_timeout(timeout)
{
    QObject::connect(&m_manager, &QNetworkAccessManager::authenticationRequired, &m_manager,
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         // Once: a second question means the account was refused.
                         if (m_password.isEmpty() || reply->property("qorAsked").toBool())
                             return;
                         reply->setProperty("qorAsked", true);
                         authenticator->setUser(m_user);
                         authenticator->setPassword(m_password);
                     });
}

HttpReply QtHttpTransport::send(const HttpRequest& request)
{
    HttpReply result;
    const SyncUrl url = parseSyncUrl(request.url);
    if (!url.valid) {
        result.error = "not an http(s) address: " + request.url;
        return result;
    }
    if (url.scheme == "http" && !isLoopbackHost(url.host) && !m_insecure) {
        result.error = "plain http to " + url.host + " would show the password and contacts to the network; use "
                       "https, or --insecure";
        return result;
    }
    QNetworkRequest qrequest(QUrl::fromEncoded(QByteArray::fromStdString(request.url)));
    qrequest.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    qrequest.setTransferTimeout(static_cast<int>(m_timeout.count()));
    for (const auto& [name, value] : request.headers)
        qrequest.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
    if (!m_password.isEmpty())
        qrequest.setRawHeader("Authorization", "Basic " + (m_user + ':' + m_password).toUtf8().toBase64());

    QBuffer body;
    body.setData(QByteArray::fromStdString(request.body));
    body.open(QIODevice::ReadOnly);
    QNetworkReply* reply =
        m_manager.sendCustomRequest(qrequest, QByteArray::fromStdString(request.method), &body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec();

    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    for (const auto& [name, value] : reply->rawHeaderPairs())
        result.headers.emplace_back(name.toStdString(), value.toStdString());
    result.body = reply->readAll().toStdString();
    // A status of 4xx or 5xx comes as an error too; only a failure without a reply is one here.
    if (result.status == 0)
        result.error = reply->errorString().toStdString();
    delete reply;
    return result;
}

} // namespace qor
