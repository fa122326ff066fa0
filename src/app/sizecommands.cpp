// Size and Canvas Size.
#include "app/mdiform1.h"

void MDIForm1::mnuSize_Click()
{
    m_canSize = false;
}

void MDIForm1::mnuCansize_Click()
{
    m_canSize = true;
}
