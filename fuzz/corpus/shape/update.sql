Update T Set D = '12/08/2026' /* x = 'y' */ Where K = 3 -- z = 1
And E Like 'x%' And F = 'z' + G And H = ?