// A relay switched from comswitch: 'A' switches it on, 'B' switches it off.
// Wire the relay module's input to pin 7 (and its VCC and GND to the board);
// the board's USB serial port is the COM port comswitch opens.
const int kRelayPin = 7;

void setup() {
  pinMode(kRelayPin, OUTPUT);
  digitalWrite(kRelayPin, LOW);
  Serial.begin(19200);  // 8 data bits, no parity, one stop bit
}

void loop() {
  if (Serial.available() == 0) return;
  switch (Serial.read()) {
    case 'A': digitalWrite(kRelayPin, HIGH); break;
    case 'B': digitalWrite(kRelayPin, LOW); break;
    default: break;  // anything else is ignored
  }
}
