#pragma once
// Every edit ends here: the document's canvas as drawn becomes its stored picture and the
// snapshot's, and the temp file is written with it in the background (TempFile).
class DocumentWindow;

void commitPicture(DocumentWindow &document);
