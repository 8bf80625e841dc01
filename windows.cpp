#include "windows.h"

#include "cpu/form2.h"
#include "local/form1.h"
#include "net/form5.h"
#include "net/form8.h"
#include "net/form9.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/module1.h"

void registerAllWindows()
{
    // In the order of FormId.
    const Module1::Factory all[formCount] = {
        Module1::factoryOf<Form1>(), Module1::factoryOf<Form2>(), Module1::factoryOf<Form3>(),
        Module1::factoryOf<Form4>(), Module1::factoryOf<form5>(), Module1::factoryOf<Form6>(),
        Module1::factoryOf<Form7>(), Module1::factoryOf<Form8>(), Module1::factoryOf<Form9>()};
    for (int id = 0; id < formCount; ++id)
        Module1::registerForm(FormId(id), all[id]);
}
