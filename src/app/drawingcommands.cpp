// The palette's stamp button shows the Pattern dialog.
#include "app/mdiform1.h"
#include "pattern/frmpat.h"

void MDIForm1::showPatternDialog()
{
    showDialog(frmPat, [] { return new ::frmPat; });
}
