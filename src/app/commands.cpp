// Menu commands whose work lives in the other rooms.
#include "app/mdiform1.h"

void MDIForm1::mnuSmooth_Click() {}
void MDIForm1::mnuAdjustColors_Click() {}
void MDIForm1::mnuAdjustBrightness_Click() {}
void MDIForm1::mnuAdjustContrast_Click() {}
void MDIForm1::mnuRotate_Click() {}
void MDIForm1::mnuSize_Click() { m_canSize = false; }
void MDIForm1::mnuCansize_Click() { m_canSize = true; }
void MDIForm1::mnuFlipHor_Click() {}
void MDIForm1::mnuFlipVert_Click() {}
void MDIForm1::showPatternDialog() {}
