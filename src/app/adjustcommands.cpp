// The colour, brightness and contrast dialogs.
#include "app/mdiform1.h"

void MDIForm1::mnuAdjustColors_Click()
{
}

void MDIForm1::mnuAdjustBrightness_Click()
{
}

void MDIForm1::mnuAdjustContrast_Click()
{
}
