#pragma once

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace ui {

// Every modal question the player asks (message boxes, file dialogs, choosers, name prompts) is a
// Question type with a nested Answer type. Code that asks goes through Ask(); a test installs a
// handler for that Question type and answers without any window being shown.
template <class Question>
class ModalResponder {
public:
    using Answer = typename Question::Answer;
    using Handler = std::function<Answer(const Question&)>;

    // Installs a handler (an empty one removes it) and returns the one it replaces.
    static Handler Install(Handler handler) { return std::exchange(Slot(), std::move(handler)); }
    static bool IsInstalled() { return static_cast<bool>(Slot()); }

    // Answers through the installed handler, or shows the real dialog.
    template <class ShowForReal>
    static Answer Ask(const Question& question, ShowForReal&& showForReal) {
        if (Slot()) {
            Handler handler = Slot();  // the handler may replace itself while it runs
            return handler(question);
        }
        return std::forward<ShowForReal>(showForReal)(question);
    }

private:
    static Handler& Slot() {
        static Handler handler;
        return handler;
    }
};

// Installs a handler for the lifetime of the object, then puts the previous one back.
template <class Question>
class ScopedModalResponder {
public:
    explicit ScopedModalResponder(typename ModalResponder<Question>::Handler handler)
        : m_previous(ModalResponder<Question>::Install(std::move(handler))) {}
    ~ScopedModalResponder() { ModalResponder<Question>::Install(std::move(m_previous)); }
    ScopedModalResponder(const ScopedModalResponder&) = delete;
    ScopedModalResponder& operator=(const ScopedModalResponder&) = delete;

private:
    typename ModalResponder<Question>::Handler m_previous;
};

// A scripted user: records every question asked and gives the queued answers in order, then
// the default answer.
template <class Question>
class ModalScript {
public:
    using Answer = typename Question::Answer;

    explicit ModalScript(Answer defaultAnswer = Answer{})
        : m_defaultAnswer(std::move(defaultAnswer)),
          m_scope([this](const Question& question) { return Respond(question); }) {}

    void Queue(Answer answer) { m_answers.push_back(std::move(answer)); }
    const std::vector<Question>& Asked() const { return m_asked; }
    void Clear() { m_asked.clear(); }

private:
    Answer Respond(const Question& question) {
        m_asked.push_back(question);
        if (m_answers.empty()) return m_defaultAnswer;
        Answer answer = std::move(m_answers.front());
        m_answers.pop_front();
        return answer;
    }

    Answer m_defaultAnswer;
    std::deque<Answer> m_answers;
    std::vector<Question> m_asked;
    ScopedModalResponder<Question> m_scope;
};

}  // namespace ui
