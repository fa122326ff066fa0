#pragma once
// Every edit ends here: the document's canvas as drawn becomes its stored picture, goes
// through the temp file and comes back as the canvas's and the snapshot's pictures.
class DocumentWindow;

void commitPicture(DocumentWindow &document);
