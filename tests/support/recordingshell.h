#pragma once
// A shell that records the requests instead of starting programs.

#include "shell.h"

#include <QList>

namespace testsupport {

class RecordingShell : public app::Shell {
public:
    struct Request {
        QString target;
        app::ShellVerb verb;
        app::WindowState state;
    };

    int request(const QString &target, app::ShellVerb verb, app::WindowState state) override
    {
        requests.append({target, verb, state});
        return result;
    }

    QList<Request> requests;
    int result = 42;  // what every request answers
};

} // namespace testsupport
