#include "soak_user.h"

namespace brevalin::soak {

int SoakUser::Message(const std::string& bytes, int flags) {
    const QString text = QString::fromLatin1(bytes.c_str());
    if (flags == box::kRetryCancel && text.startsWith(QStringLiteral("No Zantorel detected"))) {
        if (++connectRetries > kMaxConnectRetries) return box::kAnswerCancel;
        return box::kAnswerRetry;
    }
    if (flags == (box::kOkCancel | box::kQuestion) &&
        text.startsWith(QStringLiteral("File exists")))
        return box::kAnswerOk;
    if (text.contains(QStringLiteral("did not say how many lines"))) {
        ++countUnknownBoxes;
        return box::kAnswerOk;
    }
    unexpected.append(text);
    return box::kAnswerOk;
}

}  // namespace brevalin::soak
