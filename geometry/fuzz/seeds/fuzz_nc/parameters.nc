#<depth> = -1
G0 Z5
G0 X0 Y0
G1 Z#<depth> (#<depth> is the plane)
G1 X40
#<safe_z>=5
G1 Y40 Z #2
G0 Z[#<safe_z>*2]
