#include "app/windows.h"

#include "windowbase/module1.h"
#include "windows/cpu/form2.h"
#include "windows/local/form1.h"
#include "windows/menu/form3.h"
#include "windows/net/form5.h"
#include "windows/net/form8.h"
#include "windows/net/form9.h"
#include "windows/opening/form4.h"
#include "windows/settings/form6.h"
#include "windows/settings/form7.h"

void registerAllWindows()
{
    // In the order of FormId.
    const Module1::Factory all[formCount] = {
        Module1::factoryOf<Form1>(), Module1::factoryOf<Form2>(), Module1::factoryOf<Form3>(),
        Module1::factoryOf<Form4>(), Module1::factoryOf<form5>(), Module1::factoryOf<Form6>(),
        Module1::factoryOf<Form7>(), Module1::factoryOf<Form8>(), Module1::factoryOf<Form9>()};
    for (int id = 0; id < formCount; ++id)
        Module1::registerForm(FormId(id), all[id]);
    // A network match lists its chat in the chat window, shown first if it
    // is not loaded (a hidden one stays hidden).
    NetMatchWindow::setChatList([]() -> ChatList * {
        if (!Module1::loaded(FormId::Form9))
            Module1::show(FormId::Form9);
        return Module1::form<Form9>(FormId::Form9);
    });
}
