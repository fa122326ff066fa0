// placeholder so the room's library has a source
