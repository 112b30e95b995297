#include "sync_password.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sstream>
#include <vector>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace qor {

namespace {

// Why `path` may not hold a password, or "" when only its owner, this user, can get at it.
std::string exposure(const QFileInfo& info)
{
    if (!info.isFile())
        return " is not a file";
    constexpr QFile::Permissions kOthers = QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther;
    if (info.permissions() & kOthers)
        return " can be read or written by others than its owner (chmod 600 it)";
#ifdef Q_OS_UNIX
    if (info.ownerId() != ::getuid())
        return " belongs to another user";
#endif
    return {};
}

bool readSecret(const QString& path, std::string& text, std::string& error)
{
    const QFileInfo info(path);
    if (const std::string why = exposure(info); !why.empty()) {
        error = path.toStdString() + why;
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error = path.toStdString() + ": " + file.errorString().toStdString();
        return false;
    }
    text = file.readAll().toStdString();
    return true;
}

} // namespace

SyncPassword passwordFromFile(const std::string& file)
{
    SyncPassword result;
    std::string text;
    if (!readSecret(QString::fromStdString(file), text, result.error))
        return result;
    result.password = text.substr(0, text.find_first_of("\r\n"));
    result.ok = true;
    return result;
}

SyncPassword passwordFromNetrc(const std::string& host, const std::string& user)
{
    SyncPassword result;
    const QByteArray named = qgetenv("NETRC");
    const QString path = named.isEmpty() ? QDir::homePath() + "/.netrc" : QString::fromLocal8Bit(named);
    if (!QFileInfo::exists(path)) {
        result.ok = true;
        return result;
    }
    std::string text;
    if (!readSecret(path, text, result.error))
        return result;
    std::istringstream words(text);
    std::vector<std::string> tokens;
    for (std::string word; words >> word;)
        tokens.push_back(word);
    // Entries: "machine NAME" or "default", then login/password pairs up to the next entry.
    bool inEntry = false, forUs = false;
    std::string login, password, fallback;
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& t = tokens[i];
        if (t == "machine" || t == "default") {
            if (forUs && (login.empty() || login == user) && !password.empty()) {
                result.password = password;
                break;
            }
            inEntry = true;
            forUs = t == "default" || (i + 1 < tokens.size() && tokens[i + 1] == host);
            login.clear();
            password.clear();
            if (t == "machine")
                ++i;
        } else if (inEntry && i + 1 < tokens.size() && (t == "login" || t == "password" || t == "account")) {
            (t == "login" ? login : t == "password" ? password : fallback) = tokens[++i];
        }
    }
    if (result.password.empty() && forUs && (login.empty() || login == user))
        result.password = password;
    result.ok = true;
    return result;
}

} // namespace qor
