# card-record logic
