// The palette's stamp button shows the Pattern dialog.
#include "app/mdiform1.h"

void MDIForm1::showPatternDialog()
{
}
