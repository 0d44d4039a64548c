#pragma once
// Exceptions of the report engine. Every failure of a run is one of these
// (or a platform error); the class tells the kind, what() the English text.

#include <stdexcept>
#include <string>

#include <QString>

namespace rtfreport {

// The plain engine error: the base of all the others.
class ERpError : public std::runtime_error {
public:
    explicit ERpError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

class EBadRtfFormat : public ERpError { using ERpError::ERpError; };
class EIOError : public ERpError { using ERpError::ERpError; };
class EIllegalScanUse : public ERpError { using ERpError::ERpError; };
class EIllegalIFUse : public ERpError { using ERpError::ERpError; };
class EIllegalFunctionUse : public ERpError { using ERpError::ERpError; };

} // namespace rtfreport
