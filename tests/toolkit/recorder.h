#pragma once

// A window class for tests: its handler records every message it gets and answers with a
// value the test chooses.

#include "toolkit/window.h"

#include <QThread>
#include <functional>
#include <vector>

namespace vxtest {

struct Message
{
    unsigned msg;
    toolkit::WParam wParam;
    toolkit::LParam lParam;
    QThread* thread;
};

struct Log
{
    std::vector<Message> messages;
    // Called for every message after it was recorded; its result is the handler's.
    std::function<toolkit::LResult(toolkit::Window&, const Message&)> answer;
    bool handlerDeleted = false;

    std::vector<Message> of(unsigned msg) const
    {
        std::vector<Message> found;
        for (const auto& m : messages)
            if (m.msg == msg)
                found.push_back(m);
        return found;
    }
};

class RecordingHandler : public toolkit::Handler
{
  public:
    explicit RecordingHandler(Log* log) : m_log(log) {}
    ~RecordingHandler() override { m_log->handlerDeleted = true; }
    toolkit::LResult onMessage(toolkit::Window& self, unsigned msg, toolkit::WParam wParam,
                               toolkit::LParam lParam) override
    {
        const Message m{msg, wParam, lParam, QThread::currentThread()};
        m_log->messages.push_back(m);
        return m_log->answer ? m_log->answer(self, m)
                             : toolkit::defaultProc(self, msg, wParam, lParam);
    }

  private:
    Log* m_log;
};

// Registers "WC_TEST": the creation parameter is the Log to record into.
inline void registerRecorder()
{
    toolkit::registerClass("WC_TEST", [](void* param) {
        return std::make_unique<RecordingHandler>(static_cast<Log*>(param));
    });
}

inline toolkit::Window* makeRecorder(Log& log, QWidget* parent = nullptr, int id = 1,
                                     QRect rect = QRect(0, 0, 400, 300))
{
    registerRecorder();
    return toolkit::create("WC_TEST", parent, id, rect, &log);
}

} // namespace vxtest
