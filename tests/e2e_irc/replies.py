"""How the services' replies look on the wire."""
BOLD = "\x02"
# The services' date and time, as in "12/7/2024 3:04:05 PM".
DATE = r"\d{1,2}/\d{1,2}/\d{4} \d{1,2}:\d\d:\d\d [AP]M"


def wire(text):
    """Reply texts are written with ^B where the bold byte goes on the wire."""
    return text.replace("^B", BOLD)


def expected(*texts):
    return [wire(text) for text in texts]
