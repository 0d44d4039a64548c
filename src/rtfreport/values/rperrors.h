#pragma once
// Exceptions of the report engine. Every failure of a run is one of these
// (or a platform error); the class tells the kind, what() the English text.

#include <stdexcept>
#include <string>

#include <QString>

namespace rtfreport {

// A failure with its text kept as a QString; what() gives it in UTF-8.
class ETextError : public std::runtime_error {
public:
    explicit ETextError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

// The plain engine error: the base of all the others.
class ERpError : public ETextError { using ETextError::ETextError; };

class EBadRtfFormat : public ERpError { using ERpError::ERpError; };
class EIOError : public ERpError { using ERpError::ERpError; };
class EIllegalScanUse : public ERpError { using ERpError::ERpError; };
class EIllegalIFUse : public ERpError { using ERpError::ERpError; };
class EIllegalFunctionUse : public ERpError { using ERpError::ERpError; };

// The platform's conversion error: a text that does not read as a number,
// an integer or a date. Not an engine error; a run reports it alike.
class EConvertError : public ETextError { using ETextError::ETextError; };

} // namespace rtfreport
