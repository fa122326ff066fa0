// The colour, brightness and contrast dialogs.
#include "adjust/form2.h"
#include "adjust/form3.h"
#include "adjust/form4.h"
#include "app/mdiform1.h"

void MDIForm1::mnuAdjustColors_Click()
{
    showDialog(Form2, [] { return new ::Form2; });
}

void MDIForm1::mnuAdjustBrightness_Click()
{
    showDialog(Form3, [] { return new ::Form3; });
}

void MDIForm1::mnuAdjustContrast_Click()
{
    showDialog(Form4, [] { return new ::Form4; });
}
