#pragma once
// Every message of the program goes through a Messenger: the program shows
// modal message boxes, tests answer from a script.

#include <QString>

namespace app {

enum class MessageIcon { None, Error, Information, Question, Warning };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

// The captions in use; each begins with a blank.
inline const QString kCaptionError = QStringLiteral(" BŁĄD !");
inline const QString kCaptionInformation = QStringLiteral(" INFORMACJA");
inline const QString kCaptionQuestion = QStringLiteral(" PYTANIE");

class Messenger {
public:
    virtual ~Messenger() = default;
    virtual MessageAnswer message(const QString &text, const QString &caption, MessageIcon icon,
                                  MessageButtons buttons = MessageButtons::Ok,
                                  MessageAnswer defaultAnswer = MessageAnswer::Ok) = 0;

    void error(const QString &text) { message(text, kCaptionError, MessageIcon::Error); }
    void information(const QString &text) { message(text, kCaptionInformation, MessageIcon::Information); }
    // Yes/No with Yes as the default unless `noIsDefault`.
    bool question(const QString &text, bool noIsDefault = false)
    {
        return message(text, kCaptionQuestion, MessageIcon::Question, MessageButtons::YesNo,
                       noIsDefault ? MessageAnswer::No : MessageAnswer::Yes)
               == MessageAnswer::Yes;
    }
};

} // namespace app
