// discovery
