// Text and number functions.
