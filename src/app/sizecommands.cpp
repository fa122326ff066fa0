// Size and Canvas Size.
#include "app/mdiform1.h"

#include "filters/form5.h"

void MDIForm1::mnuSize_Click()
{
    m_canSize = false;
    showDialog(Form5, [] { return new ::Form5; });
}

void MDIForm1::mnuCansize_Click()
{
    m_canSize = true;
    showDialog(Form5, [] { return new ::Form5; });
}
