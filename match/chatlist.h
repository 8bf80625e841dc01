#pragma once
#include <QString>

// Where a network match lists the chat lines: the chat window implements it,
// and the window set hands it to the network windows.
class ChatList {
public:
    virtual void addLine(const QString &line) = 0;

protected:
    ~ChatList() = default;
};
