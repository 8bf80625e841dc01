#pragma once
#include <QString>

// Where a network match lists the chat lines: the chat window implements it.
// The match finds it through the window set, so it knows the window's slot,
// not the window.
class ChatList {
public:
    virtual void addLine(const QString &line) = 0;

protected:
    ~ChatList() = default;
};
