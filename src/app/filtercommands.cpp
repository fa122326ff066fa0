// Smooth, Rotate and the flips.
#include "app/mdiform1.h"

void MDIForm1::mnuSmooth_Click()
{
}

void MDIForm1::mnuRotate_Click()
{
}

void MDIForm1::mnuFlipHor_Click()
{
}

void MDIForm1::mnuFlipVert_Click()
{
}
