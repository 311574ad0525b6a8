TRIVO sample geometry
valve body: cylinder r=12 h=40
valve stem: cylinder r=3 h=25
