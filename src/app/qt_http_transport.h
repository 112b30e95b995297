#pragma once

#include "http_exchange.h"

#include <QNetworkAccessManager>
#include <QString>

#include <chrono>

namespace qor {

// The sync's HTTP through QtNetwork: each request waits in a local event loop for its reply.
// HTTPS certificates are checked as Qt checks them; plain http goes only to this machine unless
// `insecure`. With a password the account is sent with each request (Basic), and given once more
// when the server asks otherwise (Digest); a refused account comes back as 401. Redirects are
// left to the caller. No reply within `timeout` is a failure with no status.
class QtHttpTransport : public HttpTransport {
public:
    QtHttpTransport(QString user, QString password, bool insecure, std::chrono::milliseconds timeout);
    HttpReply send(const HttpRequest& request) override;

private:
    QNetworkAccessManager m_manager;
    QString m_user;
    QString m_password;
    bool m_insecure;
    std::chrono::milliseconds m_timeout;
};

} // namespace qor
